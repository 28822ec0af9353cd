#include "platform/FreeTypeOverlayText.h"

#include "platform/TextCodec.h"

#include <fontconfig/fontconfig.h>

namespace tsukimi::platform {
namespace {

// Best match for `family` (any family when empty) that covers Japanese.
std::string MatchFont(FcConfig* config, const std::string& family, int* faceIndex)
{
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return {};
    if (!family.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return {};

    std::string file;
    FcChar8* path = nullptr;
    FcLangSet* languages = nullptr;
    int index = 0;
    const bool japanese =
        FcPatternGetLangSet(match, FC_LANG, 0, &languages) == FcResultMatch &&
        FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
    if (japanese && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    }
    FcPatternDestroy(match);
    *faceIndex = index;
    return file;
}

} // namespace

std::string FindJapaneseFont(const std::string& familyUtf8, int* faceIndex)
{
    *faceIndex = 0;
    // A configuration of our own, released after the lookup, rather than
    // the library's process-wide one.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr) return {};
    std::string file = MatchFont(config, familyUtf8, faceIndex);
    if (file.empty() && !familyUtf8.empty()) file = MatchFont(config, {}, faceIndex);
    FcConfigDestroy(config);
    return file;
}

std::unique_ptr<OverlayText> CreateOverlayText(std::string_view family)
{
    int faceIndex = 0;
    const std::string file = FindJapaneseFont(SjisToUtf8(family), &faceIndex);
    return std::make_unique<FreeTypeOverlayText>(file, faceIndex);
}

} // namespace tsukimi::platform
