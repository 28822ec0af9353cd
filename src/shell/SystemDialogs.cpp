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
    platform::DialogRequest request;
    request.caption = Caption(caption);
    request.text = Text(text, "\r\n");
    request.buttons = {OrDefault(ok, "OK")};
    request.acceleratorOrder = {0};
    request.buttonX = {408};
    dialogs_.Show(request);
}

int TSystemDialogs::ShowDialog2(std::string_view caption, std::string_view text,
                                std::string_view yes, std::string_view no)
{
    if (text.empty())
        return 1;
    platform::DialogRequest request;
    request.caption = Caption(caption);
    request.text = Text(text, "\r\n");
    request.buttons = {OrDefault(yes, "Yes"), OrDefault(no, "No")};
    // Accelerators are checked No, then Yes: the last match wins.
    request.acceleratorOrder = {1, 0};
    request.buttonX = {272, 408};
    return dialogs_.Show(request) == 0 ? 1 : 0;
}

int TSystemDialogs::ShowDialog3(std::string_view caption, std::string_view text,
                                std::string_view yes, std::string_view no, std::string_view cancel)
{
    if (text.empty())
        return 1;
    platform::DialogRequest request;
    request.caption = Caption(caption);
    request.text = Text(text, "\r\n");
    request.buttons = {OrDefault(yes, "Yes"), OrDefault(no, "No"), OrDefault(cancel, "Cancel")};
    request.acceleratorOrder = {1, 0, 2};
    request.buttonX = {272, 408, 16};
    switch (dialogs_.Show(request)) {
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
    platform::DialogRequest request;
    request.caption = prepare(caption, "%%%app");
    if (request.caption.empty())
        request.caption = "Tsukimi";
    request.text = prepare(text, "");
    request.buttons = {prepare(exit, "Yes"), prepare(title, "No"), prepare(cancel, "Cancel")};
    request.acceleratorOrder = {2, 0, 1};
    request.focus = 2; // the cancel button has the focus
    request.width = 500;
    request.buttonX = {240, 16, 368};
    switch (dialogs_.Show(request)) {
    case 0: return 1;
    case 1: return 0;
    default: return -1;
    }
}

} // namespace tsukimi
