// The global commands of TZanScript: declarations, waits, string functions
// and the engine controls that need no target object.
#include "script/ZanScript.h"

#include "data/TextHelpers.h"
#include "script/CommandCodes.h"
#include "script/InterpreterMessages.h"
#include "script/ScriptFormat.h"
#include "script/ScriptText.h"

#include <algorithm>

namespace tsukimi {

namespace msg = interpreter_messages;

namespace {

constexpr uint32_t C(std::string_view name)
{
    return PackCommand(name);
}

bool IsLabelLiteral(std::string_view text)
{
    return text.size() > 2 && text[0] == '@' && text[1] == '@';
}

// `text` with every occurrence of `search` (without regard to case) replaced.
std::string ReplaceIgnoringCase(std::string_view text, std::string_view search,
                                std::string_view replacement)
{
    if (search.empty()) return std::string(text);
    std::string lowerText = LowerText(text), lowerSearch = LowerText(search);
    if (lowerText.size() != text.size() || lowerSearch.size() != search.size()) {
        lowerText = LowerText(text, LowerMode::Ascii);
        lowerSearch = LowerText(search, LowerMode::Ascii);
    }
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (lowerText.compare(i, lowerSearch.size(), lowerSearch) == 0) {
            out += replacement;
            i += search.size();
            continue;
        }
        const size_t step = IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
        out.append(text.substr(i, step));
        i += step;
    }
    return out;
}

// 1-based byte position of `sub` in `text`; 0 when absent or empty.
int BytePos(std::string_view sub, std::string_view text)
{
    if (sub.empty()) return 0;
    const size_t at = text.find(sub);
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string CopyBytes(std::string_view text, int32_t first, int32_t count)
{
    const int64_t from = std::max<int64_t>(first, 1) - 1;
    const int64_t end = std::min<int64_t>(static_cast<int64_t>(first) - 1 + count,
                                          static_cast<int64_t>(text.size()));
    if (from >= end) return {};
    return std::string(text.substr(static_cast<size_t>(from), static_cast<size_t>(end - from)));
}

} // namespace

// --- Argument conventions ---------------------------------------------------

TZanScript& TZanScript::Scoped()
{
    return ActOnPartner != 0 && partner_ ? *partner_ : *this;
}

int32_t TZanScript::Int(std::string_view argument)
{
    return calc_.IntegerArgument(argument, Level());
}

std::string TZanScript::Text(std::string_view argument, bool braceForm)
{
    return calc_.TextArgument(argument, Level(), braceForm);
}

std::string TZanScript::LabelArgument(std::string_view argument)
{
    return IsLabelLiteral(argument) ? std::string(argument) : Text(argument);
}

std::string TZanScript::FileArgument(std::string_view argument)
{
    if (argument.empty() || SameTextLower(argument, "self") == 0) return "self";
    const std::string name = Text(argument);
    if (name.empty()) return "self";
    // An unresolved name goes to the reader as given, which then fails and
    // the command reports its own error.
    std::string resolved = path_.Resolve(name, true, true);
    return resolved.empty() ? name : resolved;
}

void TZanScript::FileExists(const TArguments& a)
{
    ResetResults();
    const std::string name = Text(a[1]);
    std::string found = Scoped().path_.Resolve(name, false, false);
    if (found.empty() && !name.empty() && services_.NativeFileExists &&
        services_.NativeFileExists("GameData\\Movie\\" + name))
        found = name;
    if (found.empty()) return;
    SetResultInt(0, 1);
    SetResultStr(0, found);
}

void TZanScript::ResetResults()
{
    TValue& store = calc_.GameStore();
    store.ResetVariable("ResultStr", 0, true);
    store.ResetVariable("ResultInt", 0, true);
    store.ResetVariable("ResultObj", 0, true);
}

void TZanScript::SetResultInt(int element, int32_t value)
{
    calc_.GameStore().SetInteger("ResultInt", element, value);
}

void TZanScript::SetResultStr(int element, std::string_view value)
{
    calc_.GameStore().SetString("ResultStr", element, value);
}

// --- Dispatch ---------------------------------------------------------------

bool TZanScript::GlobalCommand(uint32_t code, const TArguments& a)
{
    if (WaitCommand(code, a) || VariableCommand(code, a) || StringCommand(code, a) ||
        ControlCommand(code, a))
        return true;
    switch (code) {
    case C("ddlg"):
    case C("dbrk"):
    case C("dmon"):
    case C("dout"):
        return true;
    case C("fexs"):
        FileExists(a);
        return true;
    case C("btra"):
    case C("bsub"):
    case C("bmat"):
    case C("bspl"):
    case C("sndt"):
        Report(std::string(msg::NotAvailable) + a[0]);
        return true;
    default:
        return false;
    }
}

// --- Waits --------------------------------------------------------------------

bool TZanScript::WaitCommand(uint32_t code, const TArguments& a)
{
    TScriptRoutine& routine = CurrentRoutine();
    TValue& store = calc_.GameStore();
    switch (code) {
    case C("wait"):
        store.SetInteger("ResultClkInt", 0, 0);
        routine.WaitTime = Int(a[1]);
        if (routine.WaitTime > 0) routine.WaitState = 3;
        return true;
    case C("clk"):
        store.SetInteger("ResultClkInt", 0, 0);
        routine.WaitState = 4;
        if (!a[1].empty()) {
            routine.WaitTime = std::max(Int(a[1]), -1);
        } else {
            routine.WaitTime = -1;
            AutoCountdown = static_cast<int32_t>(std::min<int64_t>(
                static_cast<int64_t>(AutoCountdown) + config_.AutoPlayClickTime, 0x7FFFFFFF));
        }
        routine.WaitTime2 = a[2].empty() ? routine.WaitTime : Int(a[2]);
        routine.JumpLabel = a[3].empty() ? std::string() : LabelArgument(a[3]);
        return true;
    case C("time"):
        if (a[1].empty() && a[2].empty() && a[3].empty()) {
            Clock = 0;
            return true;
        }
        store.SetInteger("ResultClkInt", 0, 0);
        routine.WaitTime = Int(a[1]);
        routine.WaitState = 5;
        routine.JumpLabel = a[3].empty() ? std::string() : LabelArgument(a[3]);
        return true;
    case C("wav"):
        routine.WaitChannel = Int(a[1]);
        routine.WaitState = 10;
        return true;
    case C("msg"):
        routine.WaitState = 7;
        return true;
    case C("btn"): {
        const int32_t ms = Int(a[1]);
        routine.WaitTime = ms == 0 ? -1 : ms;
        routine.WaitState = 9;
        return true;
    }
    case C("stop"):
        Stop(a);
        return true;
    case C("play"):
        Play();
        return true;
    case C("draw"):
        PauseFrames = std::max(Int(a[1]), 1);
        return true;
    case C("skip"):
        ExtraTime = static_cast<int32_t>(
            std::clamp<int64_t>(static_cast<int64_t>(ExtraTime) + Int(a[1]), 0, 0x7FFFFFFF));
        return true;
    case C("zero"):
        DropNextTime = 1;
        return true;
    default:
        return false;
    }
}

void TZanScript::Stop(const TArguments& a)
{
    if (!a[1].empty()) {
        TScriptRoutine& routine = CurrentRoutine();
        routine.StopLabel = LabelArgument(a[1]);
        const int32_t ms = Int(a[2]);
        routine.WaitTime = ms == 0 ? -1 : ms;
        routine.WaitTime2 = a[3].empty() ? routine.WaitTime : Int(a[3]);
        routine.WaitState = 2;
        return;
    }
    for (int i = thread_.Count() - 1; i >= 0; --i) {
        TScriptRoutine& routine = *thread_.Item(i);
        if (routine.WaitState == 1 || routine.WaitState == 2) {
            routine.WaitState = 2;
            return;
        }
    }
}

void TZanScript::Play()
{
    for (int i = thread_.Count() - 1; i >= 0; --i) {
        TScriptRoutine& routine = *thread_.Item(i);
        if (routine.WaitState == 1 || routine.WaitState == 2) {
            routine.WaitState = 1;
            return;
        }
    }
}

// The once-per-frame step of a stopped routine: its stop label runs as a
// subroutine until the stop time has run out.
void TZanScript::StopStep()
{
    TScriptRoutine& routine = CurrentRoutine();
    if (routine.WaitTime == 0) {
        routine.WaitState = 0;
        return;
    }
    calc_.GameStore().SetInteger("ResultStopInt", 0, routine.WaitTime);
    if (reader_.FindLabel(routine.StopLabel) < 0) {
        Report(std::string(msg::StopLabelMissing) + routine.StopLabel);
        return;
    }
    const std::string stopText = routine.StopText;
    const int before = thread_.Count();
    ExecuteLine("\\sub," + routine.StopLabel + ",self");
    if (thread_.Count() > before) CurrentRoutine().StopText = stopText;
}

// --- Variables and evaluation --------------------------------------------------

bool TZanScript::VariableCommand(uint32_t code, const TArguments& a)
{
    TZanScript& scoped = Scoped();
    TZanCalculation& calc = scoped.calc_;
    const int level = scoped.Level();
    switch (code) {
    case C("var"):
    case C("gvar"):
    case C("svar"): {
        const int store = code == C("var")    ? StoreLocal
                          : code == C("gvar") ? StoreGame
                                              : StoreSystem;
        const std::string type = LowerText(a[1]);
        const bool plain = type == "int" || type == "str" || type == "obj";
        if (!plain && store == StoreSystem) {
            Report(std::string(msg::SystemObject) + a[1]);
            return true;
        }
        const uint8_t element = type == "int"   ? ElementInteger
                                : type == "str" ? ElementString
                                                : ElementObject;
        for (size_t i = 2; i < a.size(); ++i) {
            if (a[i].empty()) continue;
            calc.DeclareVariable(a[i], plain ? (type == "obj" ? "obj" : "") : type, type == "obj",
                                 plain ? 255 : 253, store, element, level);
        }
        return true;
    }
    case C("init"):
    case C("del"):
    case C("sarr"):
        for (size_t i = 1; i < a.size(); ++i) {
            if (a[i].empty()) continue;
            if (code == C("init"))
                calc.ResetVariable(a[i], level);
            else if (code == C("del"))
                calc.DeleteVariable(a[i], level);
            else
                calc.ResizeVariable(a[i], level);
        }
        return true;
    case C("garr"): {
        ResetResults();
        const auto sizes = calc.GetSizes(a[1], level);
        SetResultInt(0, sizes ? sizes->D1 : 0);
        SetResultInt(1, sizes ? sizes->D2 : 0);
        SetResultInt(2, sizes ? sizes->D3 : 0);
        SetResultInt(3, sizes ? sizes->D4 : 0);
        return true;
    }
    case C("vexs"): {
        ResetResults();
        const TValueAdr adr = calc.ParseReference(a[1], true, level);
        SetResultInt(0, calc.FindReference(adr.Name, level).Store);
        return true;
    }
    case C("cal"):
        for (size_t i = 1; i < a.size(); ++i) {
            if (!a[i].empty() && EvaluateArgument(a, i).IsInvalid())
                Report(std::string(msg::CalcFailed) + a[i]);
        }
        return true;
    case C("swap"): {
        const TReturnValue first = calc_.ResolveToken(a[1], Level());
        const TReturnValue second = calc_.ResolveToken(a[2], Level());
        if (first.Kind != second.Kind) {
            Report(std::string(msg::KindDiffers) + a[1]);
        } else if (first.Kind == TValueKind::Integer || first.Kind == TValueKind::String) {
            if (!calc_.Assign(a[1], Level(), second) || !calc_.Assign(a[2], Level(), first))
                Report(std::string(msg::SwapFailed) + a[1] + "/" + a[2]);
        } else if (first.Kind == TValueKind::Object) {
            Report(std::string(msg::NotAvailable) + a[0]);
        } else {
            Report(std::string(msg::SwapFailed) + a[1] + "/" + a[2]);
        }
        return true;
    }
    case C("vget"): {
        TZanScript& other = partner_ ? *partner_ : *this;
        calc_.Assign(a[1], Level(), other.calc_.Evaluate(a[2], other.Level()));
        return true;
    }
    case C("vset"): {
        TZanScript& other = partner_ ? *partner_ : *this;
        other.calc_.Assign(a[1], other.Level(), calc_.Evaluate(a[2], Level()));
        return true;
    }
    case C("fobj"): {
        const std::string text = Text(a[1]);
        ResetResults();
        const TReturnValue value = calc.ResolveToken(text, level);
        if (value.Kind == TValueKind::Object)
            calc_.GameStore().SetObject("ResultObj", 0, value.Text);
        return true;
    }
    default:
        return false;
    }
}

// --- Strings ------------------------------------------------------------------

bool TZanScript::StringCommand(uint32_t code, const TArguments& a)
{
    switch (code) {
    case C("fmt"): {
        std::string out;
        for (size_t i = 1; i + 1 < a.size(); i += 2) {
            if (a[i].empty()) continue;
            const std::string format = Text(a[i]);
            out += FormatScriptValue(format, calc_.Evaluate(a[i + 1], Level()));
        }
        ResetResults();
        SetResultStr(0, out);
        return true;
    }
    case C("rep"): {
        const std::string text = Text(a[1]), search = Text(a[2]), replacement = Text(a[3]);
        ResetResults();
        SetResultStr(0, ReplaceIgnoringCase(text, search, replacement));
        return true;
    }
    case C("div"): {
        const std::string delimiter = Text(a[1]), text = Text(a[2]);
        const bool skipBlanks = Int(a[3]) == 1;
        ResetResults();
        std::vector<std::string> pieces;
        if (delimiter.empty()) {
            if (!text.empty()) pieces.push_back(text);
        } else {
            pieces = SplitText(delimiter, text, skipBlanks, 0, true);
        }
        SetResultInt(0, static_cast<int32_t>(std::min<size_t>(pieces.size(), 0x7FFFFFFF)));
        for (size_t i = 0; i < pieces.size() && i < 16; ++i)
            SetResultStr(static_cast<int>(i), pieces[i]);
        return true;
    }
    case C("len"):
    case C("hlen"): {
        const std::string text = Text(a[1]);
        ResetResults();
        SetResultInt(0, code == C("len") ? CharCount(text) : static_cast<int32_t>(text.size()));
        return true;
    }
    case C("pos"):
    case C("hpos"): {
        const std::string sub = LowerText(Text(a[1])), text = LowerText(Text(a[2]));
        ResetResults();
        SetResultInt(0, code == C("pos") ? CharPos(sub, text) : BytePos(sub, text));
        return true;
    }
    case C("cpy"):
    case C("copy"):
    case C("hcpy"): {
        const std::string text = Text(a[1]);
        const int32_t first = Int(a[2]), count = Int(a[3]);
        ResetResults();
        SetResultStr(0, code == C("hcpy") ? CopyBytes(text, first, count)
                                          : CopyChars(text, first, count));
        return true;
    }
    case C("lowc"):
    case C("upc"):
    case C("trim"):
    case C("zenc"):
    case C("hanc"): {
        const std::string text = Text(a[1]);
        std::string result;
        if (code == C("lowc"))
            result = LowerText(text);
        else if (code == C("upc"))
            result = UpperText(text);
        else if (code == C("zenc"))
            result = ToFullWidth(text);
        else if (code == C("hanc"))
            result = ToHalfWidth(text);
        else {
            std::string_view t = text;
            while (!t.empty() && static_cast<uint8_t>(t.front()) <= 0x20)
                t.remove_prefix(1);
            while (!t.empty() && static_cast<uint8_t>(t.back()) <= 0x20)
                t.remove_suffix(1);
            result = t;
        }
        ResetResults();
        SetResultStr(0, result);
        return true;
    }
    default:
        return false;
    }
}

// --- Engine controls ------------------------------------------------------------

bool TZanScript::ControlCommand(uint32_t code, const TArguments& a)
{
    switch (code) {
    case C("scp"): {
        std::array<std::string, 16> targets;
        for (size_t i = 1; i < a.size() && i <= 16; ++i) {
            if (a[i].empty()) continue;
            const TReturnValue value = calc_.Evaluate(a[i], Level());
            if (value.Kind == TValueKind::String || value.Kind == TValueKind::Object)
                targets[i - 1] = LowerText(value.Text);
            else
                Report(std::string(msg::ScopeNotObject) + a[i]);
        }
        CurrentRoutine().Targets = targets;
        return true;
    }
    case C("srct"):
        ActOnPartner = static_cast<uint32_t>(Int(a[1]));
        return true;
    case C("exop"): {
        const std::string text = Text(a[1]);
        TNestingGuard guard(*this);
        if (guard.Entered()) Scoped().ExecuteText(text);
        return true;
    }
    case C("thrd"):
        PendingEvent = Int(a[1]) == 0 ? 23 : 22;
        EventText = a[2].empty() ? std::string() : LabelArgument(a[2]);
        return true;
    case C("lexs"): {
        const std::string label = LabelArgument(a[1]);
        ResetResults();
        SetResultInt(0, Scoped().reader_.FindLabel(label) >= 0 ? 1 : 0);
        return true;
    }
    default:
        return false;
    }
}

} // namespace tsukimi
