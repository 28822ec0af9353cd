#include "shell/SystemDialogs.h"

#include "platform/Dialogs.h"
#include "shell/TextUtil.h"

namespace tsukimi {
namespace {

std::string OrDefault(std::string_view text, std::string_view fallback)
{
    return std::string(text.empty() ? fallback : text);
}

} // namespace

std::string TSystemDialogs::Caption(std::string_view caption) const
{
    const std::string base = caption.empty() ? std::string("%%%app") : std::string(caption);
    std::string out = ReplaceAllIgnoreCase(base, "%%%app", appTitle_);
    // Before the game's title is known (the first boot steps) the dialogs
    // carry the engine's name.
    return out.empty() ? std::string("Tsukimi") : out;
}

std::string TSystemDialogs::Text(std::string_view text, std::string_view lineBreak) const
{
    return ReplaceAllIgnoreCase(text, "%%%n", lineBreak);
}

void TSystemDialogs::ShowDialog1(std::string_view caption, std::string_view text, std::string_view ok)
{
    if (text.empty())
        return;
    dialogs_.Show(Caption(caption), Text(text, "\r\n"), {OrDefault(ok, "OK")});
}

int TSystemDialogs::ShowDialog2(std::string_view caption, std::string_view text,
                                std::string_view yes, std::string_view no)
{
    if (text.empty())
        return 1;
    const int answer =
        dialogs_.Show(Caption(caption), Text(text, "\r\n"), {OrDefault(yes, "Yes"), OrDefault(no, "No")});
    return answer == 0 ? 1 : 0;
}

int TSystemDialogs::ShowDialog3(std::string_view caption, std::string_view text,
                                std::string_view yes, std::string_view no, std::string_view cancel)
{
    if (text.empty())
        return 1;
    const int answer = dialogs_.Show(Caption(caption), Text(text, "\r\n"),
                                     {OrDefault(yes, "Yes"), OrDefault(no, "No"), OrDefault(cancel, "Cancel")});
    switch (answer) {
    case 0: return 1;
    case 2: return -1;
    default: return 0;
    }
}

int TSystemDialogs::ShowExitDialog(std::string_view caption, std::string_view text,
                                   std::string_view exit, std::string_view title,
                                   std::string_view cancel)
{
    if (text.empty())
        return 1;
    auto prepare = [this](std::string_view value, std::string_view fallback) {
        return ReplaceAllIgnoreCase(Text(OrDefault(value, fallback), "\n\r"), "%%%app", appTitle_);
    };
    const int answer = dialogs_.Show(prepare(caption, "%%%app"), prepare(text, ""),
                                     {prepare(exit, "Yes"), prepare(title, "No"), prepare(cancel, "Cancel")});
    switch (answer) {
    case 0: return 1;
    case 1: return 0;
    default: return -1;
    }
}

} // namespace tsukimi
