#include "scene/MotionDataManager.h"

#include "data/TextHelpers.h"

namespace tsukimi {

std::string TMotionDataManager::NormaliseName(std::string_view name) const
{
    return LowerText(name);
}

} // namespace tsukimi
