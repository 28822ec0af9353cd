#pragma once
// Reading and writing the settings record's files.
#include "platform/FontCatalog.h"
#include "shell/SettingsText.h"
#include "shell/SystemData.h"

#include <string>
#include <vector>

namespace tsukimi {

void ReadGameDefinition(const TSettingsText& text, TGameDefinition& game);
// Every key of the player's settings; a key the text lacks takes its file
// default.
void ReadUserSettings(const TSettingsText& text, TUserSettings& user);
// Sets the written keys in `text`, keeping its other lines.
void WriteUserSettings(TSettingsText& text, const TUserSettings& user);
void ReadVoiceList(const TSettingsText& text, std::array<std::vector<std::string>, 32>& lists);
void ReadFontList(const TSettingsText& text, std::array<std::vector<TFontListEntry>, 8>& lists,
                  const std::vector<platform::InstalledFace>& installed);

} // namespace tsukimi
