#include "script/ScriptSource.h"

#include "data/GameData.h"

namespace tsukimi {

std::string TGameDataScriptSource::ResolveName(std::string_view name)
{
    return data_.ResolveName(name);
}

std::optional<TMemoryStream> TGameDataScriptSource::LoadData(std::string_view name)
{
    return data_.LoadData(name);
}

} // namespace tsukimi
