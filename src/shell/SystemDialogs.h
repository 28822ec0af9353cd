#pragma once
// The engine's one-, two- and three-button questions and the exit dialog,
// over the platform's message dialogs. "%%%n" in a text is a line break and
// "%%%app" the application title; an empty text shows nothing and questions
// then count as answered yes.
#include <string>
#include <string_view>

namespace tsukimi {
namespace platform {
class Dialogs;
}

class TSystemDialogs
{
public:
    TSystemDialogs(platform::Dialogs& dialogs, const std::string& appTitle)
        : dialogs_(dialogs), appTitle_(appTitle) {}

    void ShowDialog1(std::string_view caption, std::string_view text, std::string_view ok);
    // 1 yes, 0 no or closed.
    int ShowDialog2(std::string_view caption, std::string_view text, std::string_view yes,
                    std::string_view no);
    // 1 yes, 0 no or closed, -1 cancel.
    int ShowDialog3(std::string_view caption, std::string_view text, std::string_view yes,
                    std::string_view no, std::string_view cancel);
    // 1 quit the game, 0 back to the title, -1 cancel or closed. The quit
    // button comes first.
    int ShowExitDialog(std::string_view caption, std::string_view text, std::string_view exit,
                       std::string_view title, std::string_view cancel);

private:
    std::string Caption(std::string_view caption) const;
    std::string Text(std::string_view text, std::string_view lineBreak) const;

    platform::Dialogs& dialogs_;
    const std::string& appTitle_;
};

} // namespace tsukimi
