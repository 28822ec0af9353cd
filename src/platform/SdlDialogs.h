#pragma once
// Message boxes over SDL. Texts are Shift-JIS; the first button is the one
// the Return key chooses.
#include "platform/Dialogs.h"

#include <memory>

namespace tsukimi::platform {

class SdlWindow;
class FreeTypeOverlayText;

class SdlDialogs final : public Dialogs
{
public:
    // `owner` (may be null) parents the dialogs while it is showing.
    explicit SdlDialogs(SdlWindow* owner);
    ~SdlDialogs() override;
    int Show(std::string_view caption, std::string_view text,
             const std::vector<std::string>& buttons) override;
    // A window of our own (accelerators, Japanese text); the desktop's
    // message box when that cannot be shown.
    int Show(const DialogRequest& request) override;

private:
    SdlWindow* owner_;
    std::unique_ptr<FreeTypeOverlayText> text_;
};

} // namespace tsukimi::platform
