#include "platform/FileSystem.h"

namespace tsukimi::platform {

std::vector<std::string> SplitEngineName(std::string_view name)
{
    std::vector<std::string> parts;
    std::string current;
    auto flush = [&] {
        if (!current.empty() && current != ".") parts.push_back(std::move(current));
        current.clear();
    };
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if ((c >= 0x81 && c <= 0x9F) || c >= 0xE0) {
            current += name[i];
            if (i + 1 < name.size()) current += name[++i];
            continue;
        }
        if (c == '\\' || c == '/')
            flush();
        else
            current += name[i];
    }
    flush();
    return parts;
}

} // namespace tsukimi::platform
