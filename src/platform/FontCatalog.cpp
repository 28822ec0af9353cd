#include "platform/FontCatalog.h"

#include "platform/TextCodec.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>

namespace tsukimi::platform {

std::vector<InstalledFace> InstalledJapaneseFaces()
{
    std::vector<InstalledFace> faces;
    // A configuration of our own, freed again, so nothing stays behind.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        return faces;
    FcPattern* pattern = FcPatternCreate();
    FcLangSet* langs = FcLangSetCreate();
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_SPACING, nullptr);
    FcFontSet* set = FcFontList(config, pattern, objects);
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch || !family)
                continue;
            const std::string utf8(reinterpret_cast<const char*>(family));
            const std::string sjis = Utf8ToSjis(utf8);
            if (sjis.empty() || SjisToUtf8(sjis) != utf8)
                continue;
            int spacing = FC_PROPORTIONAL;
            FcPatternGetInteger(set->fonts[i], FC_SPACING, 0, &spacing);
            const bool fixed = spacing == FC_MONO || spacing == FC_CHARCELL;
            auto same = [&](const InstalledFace& f) { return f.Name == sjis; };
            if (std::none_of(faces.begin(), faces.end(), same))
                faces.push_back({sjis, fixed});
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcLangSetDestroy(langs);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    std::sort(faces.begin(), faces.end(), [](const auto& a, const auto& b) { return a.Name < b.Name; });
    return faces;
}

} // namespace tsukimi::platform
