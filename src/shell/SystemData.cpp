#include "shell/SystemData.h"

namespace tsukimi {

std::string TSystemData::DefaultFontName() const
{
    // "ＭＳ ゴシック" in Shift-JIS.
    static const char kGothic[] = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";
    return Game.DefaultFont.empty() ? std::string(kGothic) : Game.DefaultFont;
}

} // namespace tsukimi
