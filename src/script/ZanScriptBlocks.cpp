// The block commands (\if, \then, \else, \for, \case, \ans, \end) and the
// jump and call commands (\go, \jmp, \sub, \subr, \ret, \brk, \cnt).
#include "script/ZanScript.h"

#include "data/TextHelpers.h"
#include "script/CommandCodes.h"
#include "script/InterpreterMessages.h"
#include "script/PredefinedVariables.h"
#include "script/ScriptText.h"

namespace tsukimi {

namespace msg = interpreter_messages;

namespace {

constexpr uint8_t S(TBlockState state)
{
    return static_cast<uint8_t>(state);
}

bool AnySkipping(const TScriptRoutine& routine)
{
    for (int i = 0; i < routine.Count(); ++i) {
        if (routine.Item(i)->BlockState > S(TBlockState::Case)) return true;
    }
    return false;
}

bool IsExactlyOne(const TReturnValue& value)
{
    return value.IsInteger() && value.Number == 1;
}

} // namespace

void TZanScript::RecordPosition(TScriptBlockBase& block)
{
    block.File = reader_.CurrentFileName();
    block.Label = reader_.CurrentLabelName();
    block.LineOffset = reader_.LineOffsetFromLabel();
    block.Column = reader_.CurrentColumn();
}

bool TZanScript::BlockCommand(uint32_t code, const TArguments& a)
{
    TScriptRoutine& routine = CurrentRoutine();
    const bool skipping = AnySkipping(routine);
    TScriptBlock& top = *routine.Top();
    const uint8_t state = top.BlockState;
    switch (code) {
    case command::If:
        If(a, skipping);
        return true;
    case command::For:
        For(a, skipping);
        return true;
    case command::Case:
        Case(a, skipping);
        return true;
    case command::Ans:
        Answer(a);
        return true;
    case command::End:
        End();
        return true;
    case command::Then:
        if (state == S(TBlockState::If) || state == S(TBlockState::IfSkipped))
            top.BlockState = top.Texts[0] == "1" ? S(TBlockState::If) : S(TBlockState::IfSkipped);
        else if (state != S(TBlockState::IfInSkipped))
            Report(msg::ThenOutside);
        return true;
    case command::Else:
        if (state == S(TBlockState::If) || state == S(TBlockState::IfSkipped)) {
            top.BlockState = top.Texts[0] == "0" ? S(TBlockState::If) : S(TBlockState::IfSkipped);
        } else if (state == S(TBlockState::Case) || state == S(TBlockState::CaseSearching)) {
            top.BlockState =
                top.Texts[1] == "0" ? S(TBlockState::Case) : S(TBlockState::CaseSearching);
        } else if (state != S(TBlockState::IfInSkipped) && state != S(TBlockState::CaseInSkipped)) {
            Report(msg::ElseUnpaired);
        }
        return true;
    default:
        return skipping;
    }
}

void TZanScript::If(const TArguments& a, bool skipping)
{
    TScriptBlock& block = CurrentRoutine().AddNew();
    if (skipping) {
        block.BlockState = S(TBlockState::IfInSkipped);
        return;
    }
    const TReturnValue value = calc_.Evaluate(a[1], Level());
    if (calc_.Assigned()) Report(msg::IfAssigned);
    if (!value.IsInteger()) {
        Report(std::string(msg::IfWrong) + a[1]);
        return;
    }
    block.Texts[0] = IntToText(value.Number);
    block.BlockState = value.Number == 1 ? S(TBlockState::If) : S(TBlockState::IfSkipped);
    RecordPosition(block);
}

void TZanScript::For(const TArguments& a, bool skipping)
{
    TScriptBlock& block = CurrentRoutine().AddNew();
    if (skipping) {
        block.BlockState = S(TBlockState::ForInSkipped);
        return;
    }
    RecordPosition(block);
    std::string condition, step;
    if (a[4].empty()) {
        if (!a[1].empty()) calc_.Evaluate(a[1], Level());
        condition = a[2];
        step = a[3];
    }
    if (a[2].empty()) {
        condition = a[1];
        step.clear();
    }
    if (a[1].empty()) {
        condition = "1";
        step.clear();
    }
    block.Texts[0] = condition;
    block.Texts[1] = step;
    block.Compiled = {};
    const TReturnValue value = calc_.Evaluate(condition, Level(), block.Compiled[0]);
    if (calc_.Assigned()) Report(msg::ForAssigned);
    block.BlockState = IsExactlyOne(value) ? S(TBlockState::For) : S(TBlockState::ForSkipToEnd);
}

void TZanScript::Case(const TArguments& a, bool skipping)
{
    TScriptBlock& block = CurrentRoutine().AddNew();
    if (skipping) {
        block.BlockState = S(TBlockState::CaseInSkipped);
        return;
    }
    const TReturnValue value = calc_.Evaluate(a[1], Level());
    block.Texts[0] = value.IsInteger() ? IntToText(value.Number) : "\"" + value.Text + "\"";
    block.Texts[1] = "0";
    block.BlockState = S(TBlockState::CaseSearching);
    RecordPosition(block);
}

void TZanScript::Answer(const TArguments& a)
{
    TScriptBlock& top = *CurrentRoutine().Top();
    if (top.BlockState == S(TBlockState::CaseInSkipped)) return;
    if (top.BlockState != S(TBlockState::Case) && top.BlockState != S(TBlockState::CaseSearching)) {
        Report(msg::AnsUnpaired);
        return;
    }
    top.BlockState = S(TBlockState::CaseSearching);
    for (size_t i = 1; i < a.size(); ++i) {
        if (a[i].empty()) continue;
        if (IsExactlyOne(calc_.Evaluate(top.Texts[0] + "==" + a[i], Level()))) {
            top.BlockState = S(TBlockState::Case);
            top.Texts[1] = "1";
            return;
        }
    }
}

void TZanScript::End()
{
    TScriptRoutine& routine = CurrentRoutine();
    TScriptBlock& top = *routine.Top();
    const uint8_t state = top.BlockState;
    if (state == S(TBlockState::None) || state == S(TBlockState::Call) || routine.Count() < 2) {
        Report(msg::EndUnpaired);
        return;
    }
    if (state != S(TBlockState::For) && state != S(TBlockState::ForContinue)) {
        routine.Pop();
        return;
    }
    if (!top.Texts[1].empty()) calc_.Evaluate(top.Texts[1], Level(), top.Compiled[1]);
    if (IsExactlyOne(calc_.Evaluate(top.Texts[0], Level(), top.Compiled[0])) &&
        reader_.JumpToLabel(top.Label, top.LineOffset, top.Column)) {
        top.BlockState = S(TBlockState::For);
        return;
    }
    routine.Pop();
}

bool TZanScript::JumpCommand(uint32_t code, const TArguments& a)
{
    const int before = thread_.Count();
    switch (code) {
    case command::Go:
        Go(a, false);
        break;
    case command::Jmp:
        Go(a, true);
        break;
    case command::Sub:
        Call(a, false);
        break;
    case command::Subr:
        Call(a, true);
        break;
    case command::Ret:
        Return(a);
        break;
    case command::Brk:
    case command::Cnt: {
        TScriptRoutine& routine = CurrentRoutine();
        const int index = routine.FindBlock(S(TBlockState::For));
        if (index < 0) {
            Report(code == command::Brk ? msg::BrkOutside : msg::CntOutside);
        } else {
            routine.Item(index)->BlockState =
                code == command::Brk ? S(TBlockState::ForSkipToEnd) : S(TBlockState::ForContinue);
        }
        return true;
    }
    default:
        return false;
    }
    if (thread_.Count() != before) DropLocalsAbove(thread_.Count());
    LabelPassed();
    return true;
}

void TZanScript::DropLocalsAbove(int routineCount)
{
    calc_.LocalStore().ClearAboveLevel(routineCount - 1);
}

bool TZanScript::Go(const TArguments& a, bool keepRoutines)
{
    const std::string label = LabelArgument(a[1]);
    const std::string file = FileArgument(a[2]);
    if (!reader_.LoadAndJump(file, label)) {
        Report(std::string(keepRoutines ? msg::JmpFailed : msg::GoFailed) + a[1] + ":" + a[2]);
        return false;
    }
    if (!keepRoutines) thread_.TruncateTo(0);
    CurrentRoutine().TruncateTo(0);
    return true;
}

bool TZanScript::Call(const TArguments& a, bool keepResults)
{
    TScriptBlockBase caller;
    RecordPosition(caller);
    const std::string label = LabelArgument(a[1]);
    const std::string file = FileArgument(a[2]);
    if (!reader_.LoadAndJump(file, label)) {
        Report(std::string(msg::SubFailed) + a[1] + ":" + a[2]);
        return false;
    }
    const int level = thread_.Count();
    TValue& locals = calc_.LocalStore();
    locals.ClearAboveLevel(level - 1);
    DeclareParameterVariables(locals, level);
    const int countIndex = locals.FindVariable("ParamCount", level);
    const int intIndex = locals.FindVariable("ParamInt", level);
    const int strIndex = locals.FindVariable("ParamStr", level);
    int32_t count = 0;
    const bool reporting = calc_.ReportErrors();
    calc_.SetReportErrors(false);
    for (int i = 1; i <= 16 && i + 2 < static_cast<int>(a.size()); ++i) {
        const std::string text(TrimSpaces(a[static_cast<size_t>(i + 2)]));
        if (text.empty()) continue;
        TReturnValue value = calc_.Evaluate(text, level - 1);
        if (value.IsInvalid()) value = TReturnValue::String(text, ScriptTextToInt(text));
        TSubscripts at;
        at.I1 = i - 1;
        locals.WriteElement(intIndex, at, true, TReturnValue::IntegerText(value.Number));
        locals.WriteElement(strIndex, at, true, TReturnValue::String(value.Text));
        count = i;
    }
    calc_.SetReportErrors(reporting);
    locals.WriteElement(countIndex, {}, true, TReturnValue::IntegerText(count));
    TScriptRoutine& routine = thread_.AddNew();
    TScriptBlock& record = routine.AddNew();
    record.File = caller.File;
    record.Label = caller.Label;
    record.LineOffset = caller.LineOffset;
    record.Column = caller.Column;
    record.BlockState = S(TBlockState::Call);
    if (keepResults) {
        routine.TakeResultSnapshot();
        TakeResults(*routine.SavedResults);
    }
    return true;
}

void TZanScript::Return(const TArguments& a)
{
    const std::string label = a[1].empty() ? std::string() : LabelArgument(a[1]);
    const int index = label.empty() ? thread_.Count() - 1 : thread_.FindRoutineByCallLabel(label);
    if (index < 1) {
        Report(std::string(msg::RetUnpaired) + label);
        return;
    }
    ReturnTo(index);
}

void TZanScript::ReturnTo(int routineIndex)
{
    TScriptRoutine* routine = thread_.Item(routineIndex);
    if (!routine || routineIndex < 1) return;
    if (const TScriptBlock* record = routine->Item(0)) {
        if (!record->File.empty()) reader_.LoadScript(record->File, false);
        reader_.JumpToLabel(record->Label, record->LineOffset, record->Column);
    }
    if (routine->HasSavedResults && routine->SavedResults) RestoreResults(*routine->SavedResults);
    thread_.TruncateTo(routineIndex - 1);
    DropLocalsAbove(thread_.Count());
}

void TZanScript::TakeResults(TScriptBlockBaseResult& r)
{
    TValue& store = calc_.GameStore();
    const auto read = [&](std::string_view name, int element) {
        TReturnValue value;
        const int index = store.FindVariable(name, 0);
        TSubscripts at;
        at.I1 = element;
        if (index >= 0) store.ReadElement(index, at, true, value);
        return value;
    };
    for (int i = 0; i < 16; ++i) {
        r.ResultInt[static_cast<size_t>(i)] = read("ResultInt", i).Number;
        r.ResultStr[static_cast<size_t>(i)] = read("ResultStr", i).Text;
        r.ResultObj[static_cast<size_t>(i)] = read("ResultObj", i).Text;
    }
    r.ResultBtnObj = read("ResultBtnObj", 0).Text;
    for (int i = 0; i < 4; ++i) {
        r.ResultBtnInt[static_cast<size_t>(i)] = read("ResultBtnInt", i).Number;
        r.ResultBtnStr[static_cast<size_t>(i)] = read("ResultBtnStr", i).Text;
    }
    r.ResultClkInt = read("ResultClkInt", 0).Number;
    r.ResultStopInt = read("ResultStopInt", 0).Number;
}

void TZanScript::RestoreResults(const TScriptBlockBaseResult& r)
{
    TValue& store = calc_.GameStore();
    for (int i = 0; i < 16; ++i) {
        store.SetInteger("ResultInt", i, r.ResultInt[static_cast<size_t>(i)]);
        store.SetString("ResultStr", i, r.ResultStr[static_cast<size_t>(i)]);
        store.SetObject("ResultObj", i, r.ResultObj[static_cast<size_t>(i)]);
    }
    if (store.FindVariable("ResultBtnObj", 0) >= 0)
        store.SetObject("ResultBtnObj", 0, r.ResultBtnObj);
    for (int i = 0; i < 4; ++i) {
        store.SetInteger("ResultBtnInt", i, r.ResultBtnInt[static_cast<size_t>(i)]);
        store.SetString("ResultBtnStr", i, r.ResultBtnStr[static_cast<size_t>(i)]);
    }
    store.SetInteger("ResultClkInt", 0, r.ResultClkInt);
    store.SetInteger("ResultStopInt", 0, r.ResultStopInt);
}

} // namespace tsukimi
