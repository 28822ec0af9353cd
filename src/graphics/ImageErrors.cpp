#include "graphics/ImageErrors.h"

#include "platform/Dialogs.h"

namespace tsukimi {

TImageMessage ImageMessagesTo(platform::Dialogs* dialogs, std::string caption)
{
    if (!dialogs) return {};
    return [dialogs, caption = std::move(caption)](std::string_view text) {
        dialogs->Show(caption, text, {"OK"});
    };
}

} // namespace tsukimi
