// Saves and loads of TZanScript: the body of a save file element by element,
// the save files in "SaveData\", the memory save slots and the system data.
//
// A load never half-applies: the running game is written to a memory body
// first, and when any element of the loaded body fails, that snapshot is
// read back.
#include "script/ZanScript.h"

#include "data/TextHelpers.h"
#include "script/SaveElementDefaults.h"
#include "script/ZanSaveData.h"

namespace tsukimi {

namespace {

constexpr std::string_view SaveFolder = "SaveData\\";

} // namespace

std::string TZanScript::SavePath(std::string_view file) const
{
    return std::string(SaveFolder) + std::string(file);
}

// --- The interpreter block ----------------------------------------------------

void TZanScript::FillBlock()
{
    block_.Clock = Clock;
    block_.LockFlags = LockFlags;
    block_.CustomMask = CustomMask;
    block_.CustomCheckMask = CustomCheckMask;
    block_.PlayMode = PlayModeValue;
    block_.CommandsPerFrame = CommandsPerFrame;
    for (size_t i = 0; i < block_.OldDescriptions.size(); ++i) block_.OldDescriptions[i] = descriptions_[i];
    block_.ActOnPartner = ActOnPartner;
    block_.MarkCurrentFormat();
}

void TZanScript::TakeBlock()
{
    Clock = block_.Clock;
    LockFlags = block_.LockFlags;
    CustomMask = block_.CustomMask;
    CustomCheckMask = block_.CustomCheckMask;
    PlayModeValue = block_.PlayMode;
    CommandsPerFrame = block_.CommandsPerFrame;
    ActOnPartner = block_.ActOnPartner;
    block_.MusicSettings = block_.EffectiveMusicSettings();
}

// --- The body -------------------------------------------------------------------

void TZanScript::WriteBody(TMemoryStream& out)
{
    thread_.SaveToStream(out);
    reader_.SaveState(&out);
    path_.SaveState(out);
    WriteResetBacklogState(out);
    WriteResetSoundState(out);
    WriteResetImageElementState(out); // the first cursor layer
    WriteResetImageElementState(out); // the second
    WriteResetGraphicsState(out);
    WriteResetKeyMapState(out);
    WriteResetCameraState(out);
    WriteResetMovieState(out);
    WriteResetTextInputState(out);
    calc_.GameStore().SaveToStream(out);
    calc_.LocalStore().SaveToStream(out);
    FillBlock();
    block_.Write(out);
    WriteString(out, FrameEventLabel);
    out.WriteU8(readLogSuppressed_ ? 1 : 0);
    fileLogFilter_.Write(out);
    WriteResetFlashState(out);
    slots_.SaveToStream(out);
    WriteSaveDescriptions(out, descriptions_);
}

bool TZanScript::ReadBodyElements(TMemoryStream& in)
{
    if (!thread_.LoadFromStream(in) || !reader_.LoadState(&in)) return false;
    path_.LoadState(in);
    if (!SkipBacklogState(in) || !SkipSoundState(in) || !SkipImageElementState(in) ||
        !SkipImageElementState(in) || !SkipGraphicsState(in) || !SkipKeyMapState(in) ||
        !SkipCameraState(in) || !SkipMovieState(in) || !SkipTextInputState(in))
        return false;
    if (!calc_.GameStore().LoadFromStream(in) || !calc_.LocalStore().LoadFromStream(in)) return false;
    if (!block_.Read(in)) return false;
    const uint8_t level = block_.FormatLevel;
    FrameEventLabel = ReadString(in);
    readLogSuppressed_ = in.ReadU8() != 0;
    if (!fileLogFilter_.Read(in, level)) return false;
    if (block_.HasFlashState() && !SkipFlashState(in)) return false;
    if (block_.HasMemorySaveSlots() && !slots_.LoadFromStream(in)) return false;
    descriptions_ = block_.HasSaveDescriptions() ? ReadSaveDescriptions(in) : block_.LegacyDescriptions();
    TakeBlock();
    return true;
}

// Reads a body over a reset interpreter; false when any element fails.
bool TZanScript::ReadBody(TMemoryStream& in)
{
    Reset();
    try {
        return ReadBodyElements(in);
    } catch (const StreamError&) {
        return false;
    }
}

// --- Save files -------------------------------------------------------------------

TZanSaveData TZanScript::MakeSave()
{
    SaveSystemData("SystemData.dat");
    TMemoryStream body;
    WriteBody(body);
    TZanSaveData save(config_.CodeKey);
    save.SetBody(body);
    save.SetHeader(descriptions_);
    save.SetDate(services_.Now ? services_.Now() : 0.0);
    return save;
}

bool TZanScript::SaveGameToStream(TMemoryStream& out, bool compress)
{
    return MakeSave().WriteToStream(out, true, compress);
}

bool TZanScript::SaveGame(std::string_view file, bool compress)
{
    if (file.empty() || !services_.Files) return false;
    return MakeSave().WriteToFile(*services_.Files, SavePath(file), true, compress);
}

bool TZanScript::LoadGameFromStream(TMemoryStream& in)
{
    SaveSystemData("SystemData.dat");
    TZanSaveData save(config_.CodeKey);
    bool loaded = save.ReadFromStream(in, false, true);
    if (loaded) {
        TMemoryStream snapshot;
        WriteBody(snapshot);
        TMemoryStream body = save.TakeBody();
        loaded = ReadBody(body);
        if (!loaded) {
            snapshot.Seek(0);
            ReadBody(snapshot);
        }
    }
    if (!loaded) {
        if (services_.ShowMessage) services_.ShowMessage("ReadSaveFileError");
        return false;
    }
    ResetDrawingTransform();
    CancelPlayMode(true);
    return true;
}

bool TZanScript::LoadGame(std::string_view file)
{
    if (!services_.Files) return false;
    const auto bytes = services_.Files->ReadAll(SavePath(file));
    TMemoryStream in(bytes ? *bytes : std::vector<uint8_t>{});
    return LoadGameFromStream(in);
}

bool TZanScript::SaveFileExists(std::string_view file)
{
    return services_.Files && !file.empty() && services_.Files->Exists(SavePath(file)) &&
           !services_.Files->IsFolder(SavePath(file));
}

bool TZanScript::DeleteSaveFile(std::string_view file)
{
    return SaveFileExists(file) && services_.Files->Delete(SavePath(file));
}

bool TZanScript::CopySaveFile(std::string_view from, std::string_view to)
{
    if (!SaveFileExists(from) || to.empty()) return false;
    const auto bytes = services_.Files->ReadAll(SavePath(from));
    return bytes && services_.Files->Replace(SavePath(to), *bytes);
}

// --- System data ------------------------------------------------------------------

bool TZanScript::SaveSystemData(std::string_view file)
{
    if (partner_ || !initialised_ || !systemData_ || !services_.Files) return true;
    TSystemDataPayload payload;
    TMemoryStream store;
    calc_.SystemStore().SaveToStream(store);
    payload.SystemStore = store.TakeBytes();
    return systemData_->WriteToFile(*services_.Files, SavePath(file), payload);
}

bool TZanScript::LoadSystemData(std::string_view file)
{
    if (partner_ || !systemData_ || !services_.Files) return false;
    const auto payload = systemData_->ReadFromFile(*services_.Files, SavePath(file));
    if (!payload) return false;
    TMemoryStream store(std::vector<uint8_t>(payload->SystemStore));
    return calc_.SystemStore().LoadFromStream(store);
}

} // namespace tsukimi
