#pragma once
// Message boxes over SDL. Texts are Shift-JIS; the first button is the one
// the Return key chooses.
#include "platform/Dialogs.h"

namespace tsukimi::platform {

class SdlWindow;

class SdlDialogs final : public Dialogs
{
public:
    // `owner` (may be null) parents the dialogs while it is showing.
    explicit SdlDialogs(SdlWindow* owner) : owner_(owner) {}
    int Show(std::string_view caption, std::string_view text,
             const std::vector<std::string>& buttons) override;

private:
    SdlWindow* owner_;
};

} // namespace tsukimi::platform
