#include "platform/DialogText.h"

#include "platform/TextCodec.h"

namespace tsukimi::platform {

std::string DialogTextToUtf8(std::string_view sjis)
{
    std::string text = SjisToUtf8(sjis);
    for (size_t at = text.find("%%%n"); at != std::string::npos; at = text.find("%%%n", at + 1))
        text.replace(at, 4, "\n");
    return text;
}

} // namespace tsukimi::platform
