// The next quick-save file: the first of "QuickSaveData0.svd" ...
// "QuickSaveData<count-1>.svd" that does not exist in "SaveData\", or, when
// all exist, the oldest (by the date in its header; the lower number on a
// tie, and an unreadable file counts as oldest of all).
#include "shell/SystemData.h"
#include "shell/ZanSystem.h"

#include "script/ZanSaveData.h"

#include <limits>

namespace tsukimi {

std::string TZanSystem::NextQuickSaveName()
{
    platform::FileSystem& files = *env_.Platform.files;
    const int count = std::max(env_.Settings.Game.QuickSaveCount, 1);
    auto name = [](int n) { return "QuickSaveData" + std::to_string(n) + ".svd"; };
    int oldest = 0;
    double oldestDate = std::numeric_limits<double>::infinity();
    for (int n = 0; n < count; ++n) {
        const std::string path = "SaveData\\" + name(n);
        if (!files.Exists(path)) return name(n);
        TZanSaveData header(static_cast<uint32_t>(env_.Settings.Game.CodeKey));
        const double date = header.ReadFromFile(files, path, false, false)
                                ? header.Date()
                                : -std::numeric_limits<double>::infinity();
        if (date < oldestDate) {
            oldestDate = date;
            oldest = n;
        }
    }
    return name(oldest);
}

} // namespace tsukimi
