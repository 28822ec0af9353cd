#pragma once
// Modal message dialogs with one to three buttons.
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi::platform {

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // Texts in Shift-JIS. Returns the index of the chosen button (0-based),
    // or -1 when the dialog was closed without a choice.
    virtual int Show(std::string_view caption, std::string_view text,
                     const std::vector<std::string>& buttons) = 0;
};

// Answers every dialog with its first button and prints its text (UTF-8) to
// standard error; remembers what it showed.
class HeadlessDialogs final : public Dialogs
{
public:
    struct Shown
    {
        std::string caption, text;
        std::vector<std::string> buttons;
    };
    int Show(std::string_view caption, std::string_view text,
             const std::vector<std::string>& buttons) override;
    const std::vector<Shown>& History() const { return shown_; }
    // Answers to give instead of 0, consumed in order.
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    void SetQuiet(bool quiet) { quiet_ = quiet; }

private:
    std::vector<Shown> shown_;
    std::vector<int> answers_;
    bool quiet_ = false;
};

} // namespace tsukimi::platform
