#include "script/ZanScript.h"

#include "data/TextHelpers.h"
#include "script/CommandCodes.h"
#include "script/InterpreterMessages.h"
#include "script/ScriptText.h"

#include <algorithm>
#include <chrono>

namespace tsukimi {

namespace msg = interpreter_messages;

TZanScript::TNestingGuard::TNestingGuard(TZanScript& script) : script_(script)
{
    entered_ = script_.nesting_ < NestingLimit;
    if (entered_)
        ++script_.nesting_;
    else
        script_.Report(msg::NestingLimit);
}

TZanScript::TNestingGuard::~TNestingGuard()
{
    if (entered_) --script_.nesting_;
}

namespace {

std::string_view TrimControl(std::string_view text)
{
    while (!text.empty() && static_cast<uint8_t>(text.front()) <= 0x20)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<uint8_t>(text.back()) <= 0x20)
        text.remove_suffix(1);
    return text;
}

// "a\\b\\c.s" -> "a\\b\\".
std::string FolderOf(std::string_view file)
{
    const size_t slash = file.find_last_of('\\');
    return slash == std::string_view::npos ? std::string() : std::string(file.substr(0, slash + 1));
}

uint32_t MillisecondSeed()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

} // namespace

TZanScript::TZanScript(std::string name, TScriptSource* source, TZanScriptHost* host,
                       TScriptObjects* objects, TZanScriptConfig config)
    : name_(std::move(name)), host_(host), objects_(objects), config_(config),
      reader_(
          source, [this](std::string_view m) { Report(m); }, config.Settings),
      calc_(
          objects ? objects->Callbacks() : nullptr, [this](std::string_view m) { Report(m); },
          config.Settings),
      thread_(name_, [this](std::string_view m) { Report(m); })
{
    reader_.OnLabelLine = [this](std::string_view key, int offset) { ReadLineLogged(key, offset); };
    path_ = TZanPath(
        [source](std::string_view name) { return source && source->Exists(name); },
        [this] { return FolderOf(reader_.CurrentFileName()); },
        [this](std::string_view name) {
            if (services_.FileResolved) services_.FileResolved(name);
        },
        [this](std::string_view m) { Report(m); }, config.QuietPaths);
    if (config_.ScreenWidth > 0 && config_.ScreenHeight > 0)
        pixels_.assign(static_cast<size_t>(config_.ScreenWidth) * static_cast<size_t>(config_.ScreenHeight),
                       0xFF000000u);
    Reset();
}

// Until scene objects draw, the scene is the black screen.
void TZanScript::Render(const TRenderOptions&)
{
    std::fill(pixels_.begin(), pixels_.end(), 0xFF000000u);
}

platform::FrameView TZanScript::Graphic() const
{
    if (pixels_.empty()) return {};
    return {pixels_.data(), config_.ScreenWidth, config_.ScreenHeight, config_.ScreenWidth};
}

platform::MutableFrame TZanScript::MutableGraphic()
{
    if (pixels_.empty()) return {};
    return {pixels_.data(), config_.ScreenWidth, config_.ScreenHeight, config_.ScreenWidth};
}

TZanScript::~TZanScript()
{
    SaveSystemData("SystemData.dat");
}

bool TZanScript::Initialize(TZanScript* partner, TZanScriptServices services)
{
    services_ = std::move(services);
    // Without a read-text log nobody needs to hear of each line.
    if (!services_.ReadLog) reader_.OnLabelLine = nullptr;
    if (services_.EnsureSaveFolder && !services_.EnsureSaveFolder()) return false;
    random_.Seed(MillisecondSeed());
    partner_ = partner;
    if (!partner_) {
        systemData_.emplace(config_.CodeKey);
        LoadSystemData("SystemData.dat");
    }
    Reset();
    if (partner_) calc_.SetSystemStoreOverride(&partner_->calc_.SystemStore());
    initialised_ = true;
    return true;
}

void TZanScript::Reset()
{
    if (services_.OnReset) services_.OnReset();
    FrameEventLabel.clear();
    calc_.ResetVariables();
    reader_.Clear();
    reader_.ClearReplacements();
    path_.Clear();
    thread_.Clear();
    thread_.AddNew().AddNew().BlockState = static_cast<uint8_t>(TBlockState::Call);
    PlayModeValue = 0;
    CommandsPerFrame = 65536;
    ActOnPartner = 0;
    LockFlags = AllLocks;
    CustomMask = 0x0FFFFFFF;
    PauseFrames = DropNextTime = ExtraTime = Clock = 0;
    block_.Reset();
    fileLogFilter_ = {};
    descriptions_ = {};
    readLogSuppressed_ = false;
    heldTime_ = 0;
    clickCooldown_ = 0;
    if (objects_) objects_->Reset();
}

void TZanScript::Report(std::string_view message)
{
    errorRaised_ = true;
    if (host_) host_->ReportScriptError(message);
}

TScriptRoutine& TZanScript::CurrentRoutine()
{
    if (thread_.Count() == 0) thread_.AddNew().AddNew().BlockState = 1;
    TScriptRoutine& routine = *thread_.CurrentRoutine();
    if (routine.Count() == 0) routine.AddNew().BlockState = 1;
    return routine;
}

uint32_t TZanScript::CommandCode(std::string_view token)
{
    if (token.empty() || token[0] != '\\') return 0;
    const std::string lower = LowerText(token.substr(1, std::min<size_t>(token.size() - 1, 4)));
    return PackCommand(lower);
}

TZanScript::TParsedCommand& TZanScript::Parse(std::string_view text)
{
    if (const auto it = parsed_.find(text); it != parsed_.end()) return *it->second;
    if (parsed_.size() >= ParseCacheLimit && executing_ == 0) {
        reader_.ClearCommandTags();
        parsed_.clear();
    }
    auto entry = std::make_unique<TParsedCommand>();
    SplitArgumentsInto(text, ',', 9, config_.Settings.OldStringWordEnable, entry->Args);
    if (entry->Args.size() < 9) entry->Args.resize(9);
    entry->Code = CommandCode(entry->Args[0]);
    // Entries are never freed while a command runs, so the reference stays
    // good through nested execution.
    return *parsed_.emplace(std::string(text), std::move(entry)).first->second;
}

void TZanScript::ExecuteLine(std::string_view line, const void** tag)
{
    LastLine.assign(line);
    const std::string_view text = TrimControl(LastLine);
    if (text.empty() || (text[0] != '\\' && text[0] != '@')) return;
    // The reader remembers the parsed form with the command's place in a
    // plain line, so a loop's commands are looked up by place, not text.
    TParsedCommand* command = tag && *tag ? static_cast<TParsedCommand*>(const_cast<void*>(*tag)) : nullptr;
    if (!command) {
        command = &Parse(text);
        if (tag) *tag = command;
    }
    const TArguments& args = command->Args;
    const uint32_t code = command->Code;
    TParsedCommand* const outer = current_;
    current_ = command;
    ++executing_;
    const bool handled = BlockCommand(code, args) || JumpCommand(code, args) || LabelLine(args) ||
                         GlobalCommand(code, args);
    if (!handled) SendToTargets(code, args, text);
    --executing_;
    current_ = outer;
}

TReturnValue TZanScript::EvaluateArgument(const TArguments& a, size_t i)
{
    if (current_ && &current_->Args == &a && i < current_->Compiled.size())
        return calc_.Evaluate(a[i], Level(), current_->Compiled[i]);
    return calc_.Evaluate(a[i], Level());
}

bool TZanScript::LabelLine(const TArguments& a)
{
    if (a[0].size() <= 2 || a[0][0] != '@' || a[0][1] != '@') return false;
    if (CurrentRoutine().Count() > 1) Report(msg::LabelInBlock);
    LabelPassed();
    return true;
}

void TZanScript::LabelPassed()
{
    const std::string file = reader_.LabelFile(reader_.CurrentLabelName());
    const size_t slash = file.find_last_of('\\');
    calc_.GameStore().SetString("SelfFileName", 0, file);
    calc_.GameStore().SetString(
        "SelfFilePath", 0, slash == std::string::npos ? std::string() : file.substr(0, slash + 1));
}

void TZanScript::SendToTargets(uint32_t code, const TArguments& a, std::string_view line)
{
    const TScriptRoutine& routine = CurrentRoutine();
    if (routine.Targets[0].empty()) {
        Report(std::string(msg::UndefinedCommand) + std::string(line));
        Report(msg::NoTarget);
        return;
    }
    TScriptObjects* objects = (ActOnPartner != 0 && partner_) ? partner_->objects_ : objects_;
    const std::array<std::string, 16> targets = routine.Targets; // a handler may change them
    for (const std::string& target : targets) {
        if (target.empty()) break;
        std::string kind = "none";
        const TDispatchResult result =
            objects ? objects->Dispatch(target, code, a, kind) : TDispatchResult::NotFound;
        if (result == TDispatchResult::NotFound) {
            Report(std::string(msg::UndefinedObject) + target);
        } else if (result == TDispatchResult::UnknownCommand) {
            Report(std::string(msg::UndefinedCommand) + std::string(line));
            Report(std::string(msg::ObjectLacksCommandHead) + kind +
                   std::string(msg::ObjectLacksCommandTail));
        }
    }
}

void TZanScript::ExecuteText(std::string_view text)
{
    const std::vector<std::string> pieces = SplitText("\\", text, true, 0, true);
    for (size_t i = 1; i < pieces.size(); ++i) {
        if (!pieces[i].empty()) ExecuteLine("\\" + pieces[i]);
    }
}

void TZanScript::RunEventLabel(std::string_view rawLabel, std::string_view label, bool asSubr,
                               std::string_view text)
{
    std::string chosen;
    if (!rawLabel.empty() && reader_.FindLabel(rawLabel) >= 0)
        chosen = rawLabel;
    else if (!label.empty() && reader_.FindLabel(label) >= 0)
        chosen = label;
    else
        return;
    TNestingGuard guard(*this);
    if (!guard.Entered()) return;
    const int remembered = thread_.Count();
    ExecuteText(std::string(asSubr ? "\\subr," : "\\sub,") + chosen + ",self,\"" +
                std::string(text) + "\"");
    for (int i = 0; i < 65537 && thread_.Count() > remembered; ++i) {
        if (errorRaised_ || reader_.AtEnd()) break;
        const uint8_t state = CurrentRoutine().WaitState;
        if (state != 0 && state != 1) break;
        ExecuteLine(reader_.ReadCommand());
    }
    // A routine left waiting is abandoned: return to where it was called.
    if (thread_.Count() > remembered) ReturnTo(remembered);
}

TReturnValue TZanScript::Evaluate(std::string_view text)
{
    return calc_.Evaluate(text, Level());
}

bool TZanScript::SetInteger(std::string_view name, int element, int32_t value)
{
    return calc_.GameStore().SetInteger(name, element, value);
}

bool TZanScript::SetString(std::string_view name, int element, std::string_view value)
{
    return calc_.GameStore().SetString(name, element, value);
}

bool TZanScript::SetObject(std::string_view name, int element, std::string_view value)
{
    return calc_.GameStore().SetObject(name, element, value);
}

void TZanScript::SetPlayMode(int mode)
{
    PlayModeValue = static_cast<uint8_t>(mode >= 0 && mode <= 4 ? mode : 0);
}

bool TZanScript::AllowsPlayMode(int mode) const
{
    switch (mode) {
    case 0:
        return true;
    case 1:
        return (LockFlags & LockView) == 0;
    case 2:
        return (LockFlags & LockAuto) == 0;
    case 3:
    case 4: {
        if ((LockFlags & LockSkip) != 0) return false;
        const TScriptRoutine* routine = thread_.CurrentRoutine();
        if (routine && routine->WaitState == 9) return false;
        return mode == 3 || CurrentLineRead();
    }
    default:
        return false;
    }
}

void TZanScript::CancelPlayMode(bool)
{
    PlayModeValue = 0;
}

void TZanScript::FireThreadStopEvent()
{
    RunEventLabel("@@!OnThreadStopEvent", "@@OnThreadStopEvent", true, {});
}

void TZanScript::FireThreadResumeEvent()
{
    RunEventLabel("@@!OnThreadResumeEvent", "@@OnThreadResumeEvent", true, {});
}

TSystemRequest TZanScript::TakeRequest()
{
    TSystemRequest request{PendingEvent, EventText};
    PendingEvent = 0;
    return request;
}

TScriptPosition TZanScript::Position() const
{
    TScriptPosition position;
    const std::string label = reader_.CurrentLabelName();
    position.CurrentFile = reader_.LabelFile(label);
    position.CurrentLine =
        std::to_string(reader_.LabelFileLine(label) + reader_.LineOffsetFromLabel() + 1);
    position.CurrentText = label;
    position.CommandText = LastLine;
    const std::string& loaded = reader_.CurrentFileName();
    if (SameTextLower(position.CurrentFile, loaded) == 0) {
        position.CallerFile = position.CurrentFile;
        position.CallerLine = position.CurrentLine;
        position.CallerText = position.CurrentText;
        return position;
    }
    for (int r = thread_.Count() - 1; r >= 0; --r) {
        const TScriptRoutine& routine = *thread_.Item(r);
        for (int b = routine.Count() - 1; b >= 0; --b) {
            const TScriptBlock& block = *routine.Item(b);
            if (block.Label.empty() || SameTextLower(reader_.LabelFile(block.Label), loaded) != 0)
                continue;
            position.CallerFile = loaded;
            position.CallerLine =
                std::to_string(reader_.LabelFileLine(block.Label) + block.LineOffset + 1);
            position.CallerText = block.Label;
            return position;
        }
    }
    position.CallerFile = loaded;
    position.CallerLine = "0";
    return position;
}

void TZanScript::ReadLineLogged(std::string_view labelKey, int lineOffset)
{
    TScriptReadLog* log = services_.ReadLog;
    if (!log || log->Suppressed()) return;
    if (log->RecordLine(labelKey, lineOffset) && PlayModeValue == 4) PlayModeValue = 0;
}

bool TZanScript::CurrentLineRead() const
{
    const TScriptReadLog* log = services_.ReadLog;
    const int index = reader_.CurrentLabel();
    if (!log || index < 0 || index >= static_cast<int>(reader_.Labels().size())) return false;
    const TLabelData& label = reader_.Labels()[static_cast<size_t>(index)];
    return log->IsRead(label.File + label.Name, reader_.LinesSinceLabel());
}

} // namespace tsukimi
