#include "script/ZanCalculation.h"

#include "data/TextHelpers.h"
#include "script/PredefinedVariables.h"
#include "script/ScriptMessages.h"
#include "script/ScriptText.h"

namespace tsukimi {

namespace {

constexpr size_t MaxCachedOperands = 8192;
constexpr size_t MaxCachedPrograms = 4096;
constexpr size_t MaxReferenceBytes = 255;

int32_t Wrap(uint32_t value)
{
    return static_cast<int32_t>(value);
}

uint32_t Bits(int32_t value)
{
    return static_cast<uint32_t>(value);
}

int32_t Quotient(int32_t a, int32_t b)
{
    if (b == 0) return 0;
    if (b == -1) return Wrap(0u - Bits(a)); // INT32_MIN / -1 wraps to itself
    return a / b;
}

int32_t Remainder(int32_t a, int32_t b)
{
    if (b == 0 || b == -1) return 0;
    return a % b;
}

} // namespace

TZanCalculation::TZanCalculation(TObjectCallbacks* callbacks, TScriptErrorReport report,
                                 TScriptSettings settings)
    : system_(callbacks, report), game_(callbacks, report), local_(callbacks, report),
      report_(std::move(report)), settings_(settings)
{}

TZanCalculation::~TZanCalculation()
{
    // Local variables belong to the newest call levels: freed first.
    local_.ClearStore();
    game_.ClearStore();
    system_.ClearStore();
}

TValue& TZanCalculation::Store(int number)
{
    switch (number) {
    case StoreSystem:
        return SystemStore();
    case StoreGame:
        return GameStore();
    default:
        return LocalStore();
    }
}

void TZanCalculation::SetSystemStoreOverride(TValue* store)
{
    systemOverride_ = store;
    ClearCaches();
}

void TZanCalculation::SetGameStoreOverride(TValue* store)
{
    gameOverride_ = store;
    ClearCaches();
}

void TZanCalculation::SetLocalStoreOverride(TValue* store)
{
    localOverride_ = store;
    ClearCaches();
}

void TZanCalculation::SetErrorReport(TScriptErrorReport report)
{
    system_.SetErrorReport(report);
    game_.SetErrorReport(report);
    local_.SetErrorReport(report);
    report_ = std::move(report);
}

void TZanCalculation::SetReportErrors(bool on)
{
    reportErrors_ = on;
    SystemStore().SetReportErrors(on);
    GameStore().SetReportErrors(on);
    LocalStore().SetReportErrors(on);
}

void TZanCalculation::ResetVariables()
{
    LocalStore().ClearStore();
    GameStore().ClearStore();
    DeclarePredefinedVariables(GameStore());
}

void TZanCalculation::ClearCaches()
{
    operands_.clear();
    if (nesting_ == 0) programs_.clear(); // programs in use stay
}

void TZanCalculation::Report(std::string_view head, std::string_view tail) const
{
    if (!reportErrors_ || !report_) return;
    std::string message(head);
    message += tail;
    report_(message);
}

// --- Parsing and caches

std::shared_ptr<TZanCalculation::Operand> TZanCalculation::OperandFor(std::string_view text)
{
    if (const auto it = operands_.find(text); it != operands_.end()) return it->second;
    if (operands_.size() >= MaxCachedOperands) operands_.clear();
    auto operand = std::make_shared<Operand>();
    operand->text = text;
    if (!text.empty() && text[0] == '"') {
        operand->literal = Literal::String;
        operand->stringText = InnerGroup(text);
        operand->number = ScriptTextToInt(operand->stringText);
    } else if (const auto number = IntegerLiteral(text)) {
        operand->literal = Literal::Integer;
        operand->number = *number;
    }
    std::string_view rest = text;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-' || rest[0] == '^')) {
        operand->sign = rest[0];
        rest.remove_prefix(1);
    }
    rest = rest.substr(0, MaxReferenceBytes);
    if (!rest.empty() && rest.back() == ']') {
        operand->name = HeadBeforeGroup(rest, settings_.OldStringWordEnable);
        const std::string_view content = InnerGroup(rest);
        if (content.size() > 2) {
            operand->subscripts = Subscripts::Pieces;
            operand->pieces = SplitArguments(content, ',', 0, settings_.OldStringWordEnable);
            if (operand->pieces.size() > 4) operand->pieces.resize(4);
        } else if (!content.empty() &&
                   ((content[0] >= '0' && content[0] <= '9') || content[0] == '$')) {
            operand->subscripts = Subscripts::Number;
            operand->shortToken = content;
        } else {
            operand->subscripts = Subscripts::Token;
            operand->shortToken = content;
        }
    } else {
        operand->name = rest;
    }
    operand->lowerName = LowerText(operand->name);
    operands_.emplace(operand->text, operand);
    return operand;
}

TZanCalculation::Program& TZanCalculation::ProgramFor(std::string_view expression)
{
    return *SharedProgramFor(expression);
}

std::shared_ptr<TZanCalculation::Program> TZanCalculation::SharedProgramFor(std::string_view expression)
{
    if (const auto it = programs_.find(expression); it != programs_.end()) return it->second;
    // Only the outermost evaluation may drop programs: nested ones run while
    // their callers' programs are in use.
    if (programs_.size() >= MaxCachedPrograms && nesting_ <= 1) programs_.clear();
    auto program = std::make_shared<Program>();
    program->compiled = TExpressionCompiler::Compile(expression);
    const auto keep = [&](std::string_view text) {
        program->operands.push_back(OperandFor(text));
        return program->operands.back().get();
    };
    if (program->compiled.Single) {
        program->single = keep(program->compiled.Operand);
    } else {
        for (const std::string& token : program->compiled.Postfix) {
            if (token.empty()) {
                program->steps.push_back({1, nullptr});
            } else if (TExpressionCompiler::IsOperatorToken(token)) {
                program->steps.push_back({token[1], nullptr});
            } else {
                program->steps.push_back({0, keep(token)});
            }
        }
    }
    programs_.emplace(std::string(expression), program);
    return program;
}

TZanCalculation::Found TZanCalculation::Lookup(Operand& operand, int context)
{
    TValue* stores[3] = {&LocalStore(), &GameStore(), &SystemStore()};
    for (int i = 0; i < 3; ++i) {
        const int level = i == 0 ? context : 0;
        LookupSlot& slot = operand.slots[i];
        if (slot.store != stores[i] || slot.generation != stores[i]->Generation() ||
            slot.level != level) {
            slot.store = stores[i];
            slot.generation = stores[i]->Generation();
            slot.level = level;
            slot.index = stores[i]->FindVariableLower(operand.lowerName, level);
        }
        if (slot.index >= 0) return {stores[i], slot.index, level};
    }
    return {};
}

TSubscripts TZanCalculation::EvaluateSubscripts(const Operand& operand, int context)
{
    TSubscripts at;
    switch (operand.subscripts) {
    case Subscripts::None:
        break;
    case Subscripts::Number:
        at.I1 = ParseScriptInt32(operand.shortToken).value_or(0);
        break;
    case Subscripts::Token: {
        const TReturnValue value = ResolveToken(operand.shortToken, context);
        if (value.IsInteger()) {
            at.I1 = value.Number;
        } else {
            Report(script_messages::SyntaxError, operand.shortToken);
        }
        break;
    }
    case Subscripts::Pieces: {
        int32_t* targets[4] = {&at.I1, &at.I2, &at.I3, &at.I4};
        const size_t count = operand.pieces.size();
        for (size_t i = 0; i < count; ++i) {
            *targets[count - 1 - i] = Evaluate(operand.pieces[i], context).Number;
        }
        break;
    }
    }
    return at;
}

// --- Operands

TReturnValue TZanCalculation::ResolveOperand(Operand& operand, int context)
{
    TReturnValue value;
    ResolveInto(operand, context, value);
    return value;
}

void TZanCalculation::ResolveInto(Operand& operand, int context, TReturnValue& value, bool withText)
{
    ++resolutions_;
    if (operand.literal != Literal::None) {
        const bool text = operand.literal == Literal::String;
        value.Kind = text ? TValueKind::String : TValueKind::Integer;
        value.Number = operand.number;
        value.Text.assign(text ? operand.stringText : operand.text);
        return;
    }
    const Found found = Lookup(operand, context);
    if (!found.store) {
        Report(script_messages::UndefinedVariable, operand.text);
        value.MakeInvalid();
        return;
    }
    const TSubscripts at = SubscriptsOf(operand, context);
    if (!found.store->ReadElement(found.index, at, false, value, withText)) return;
    if (value.IsInteger() && (operand.sign == '-' || operand.sign == '^')) {
        value.Number = Wrap(operand.sign == '-' ? 0u - Bits(value.Number) : ~Bits(value.Number));
        if (withText) AssignIntText(value.Text, value.Number);
    }
}

bool TZanCalculation::AssignOperand(Operand& operand, int context, const TReturnValue& value)
{
    const Found found = Lookup(operand, context);
    if (!found.store) {
        Report(script_messages::UndefinedVariable, operand.text);
        return false;
    }
    const TSubscripts at = SubscriptsOf(operand, context);
    if (!found.store->WriteElement(found.index, at, false, value)) return false;
    ++assignments_;
    return true;
}

bool TZanCalculation::AssignEntry(Operand& operand, int context, StackEntry& entry)
{
    const Found found = Lookup(operand, context);
    if (!found.store) {
        Report(script_messages::UndefinedVariable, operand.text);
        return false;
    }
    // Only an integer element can take an integer without its text.
    if (found.store->Variable(found.index).Array->ElementType() != ElementInteger) MakeText(entry);
    const TSubscripts at = SubscriptsOf(operand, context);
    if (!found.store->WriteElement(found.index, at, false, entry.value)) return false;
    ++assignments_;
    return true;
}

bool TZanCalculation::IncrementOperand(Operand& operand, int delta, int context)
{
    const Found found = Lookup(operand, context);
    if (!found.store) {
        Report(script_messages::UndefinedVariable, operand.text);
        return false;
    }
    const TSubscripts at = SubscriptsOf(operand, context);
    TReturnValue value;
    // An integer element takes the number only; a string keeps its text.
    if (!found.store->ReadElement(found.index, at, false, value, false)) return false;
    value.Number = Wrap(Bits(value.Number) + static_cast<uint32_t>(delta));
    return found.store->WriteElement(found.index, at, false, value);
}

TReturnValue TZanCalculation::ResolveToken(std::string_view text, int context)
{
    const auto operand = OperandFor(text);
    return ResolveOperand(*operand, context);
}

TReturnValue TZanCalculation::ResolveValue(TReturnValue value, int context)
{
    if (value.Kind != TValueKind::Token) return value;
    return ResolveToken(value.Text, context);
}

bool TZanCalculation::Assign(std::string_view reference, int context, const TReturnValue& value)
{
    const auto operand = OperandFor(reference);
    return AssignOperand(*operand, context, value);
}

bool TZanCalculation::AssignInteger(std::string_view reference, int context, int32_t number)
{
    return Assign(reference, context, TReturnValue::IntegerText(number));
}

bool TZanCalculation::IncrementVariable(std::string_view reference, int delta, int context)
{
    const auto operand = OperandFor(reference);
    return IncrementOperand(*operand, delta, context);
}

TValueAdr TZanCalculation::ParseReference(std::string_view text, bool namesOnly, int context)
{
    const auto operand = OperandFor(text);
    TValueAdr adr;
    adr.Name = operand->name;
    adr.Sign = operand->sign;
    if (!namesOnly) adr.Index = EvaluateSubscripts(*operand, context);
    return adr;
}

TReferenceHit TZanCalculation::FindReference(std::string_view name, int context)
{
    const std::string lower = LowerText(name);
    if (const int i = LocalStore().FindVariableLower(lower, context); i >= 0)
        return {StoreLocal, i};
    if (const int i = GameStore().FindVariableLower(lower, 0); i >= 0) return {StoreGame, i};
    if (const int i = SystemStore().FindVariableLower(lower, 0); i >= 0) return {StoreSystem, i};
    return {};
}

// --- Evaluation

TReturnValue TZanCalculation::Evaluate(std::string_view expression, int context)
{
    return EvaluateWith(expression, context, nullptr);
}

TReturnValue TZanCalculation::Evaluate(std::string_view expression, int context,
                                       std::shared_ptr<void>& compiled)
{
    return EvaluateWith(expression, context, &compiled);
}

TReturnValue TZanCalculation::EvaluateWith(std::string_view expression, int context,
                                           std::shared_ptr<void>* compiled)
{
    if (expression.empty()) return TReturnValue::Integer(0);
    if (nesting_ == 0) assigned_ = false;
    if (nesting_ >= MaxNesting) {
        Report(script_messages::WrongExpression);
        return TReturnValue::Invalid();
    }
    struct Nest
    {
        int& depth;
        explicit Nest(int& d) : depth(d) { ++depth; }
        ~Nest() { --depth; }
    } nest(nesting_);

    Program* found = nullptr;
    if (compiled) {
        if (!*compiled) *compiled = SharedProgramFor(expression);
        found = static_cast<Program*>(compiled->get());
    } else {
        found = &ProgramFor(expression);
    }
    const Program& program = *found;
    if (program.single) {
        TReturnValue value = ResolveOperand(*program.single, context);
        if (value.IsInvalid()) Report(script_messages::UndefinedVariable, expression);
        return value;
    }
    for (const TExpressionAction& action : program.compiled.Actions) {
        if (action.What == TExpressionAction::Kind::Increment) {
            IncrementVariable(action.Reference, action.Delta, context);
        } else {
            Report(script_messages::UnclosedBracket);
        }
    }
    if (program.compiled.TooDeep) {
        Report(script_messages::WrongExpression);
        return TReturnValue::Invalid();
    }
    return Run(program, context);
}

TReturnValue TZanCalculation::Run(const Program& program, int context)
{
    const auto depth = static_cast<size_t>(nesting_);
    while (stacks_.size() < depth)
        stacks_.push_back(std::make_unique<std::vector<StackEntry>>());
    std::vector<StackEntry>& stack = *stacks_[depth - 1];
    stack.clear();
    // Operators work in place: the left operand's slot takes the result.
    bool failed = false;
    for (const Step& step : program.steps) {
        if (step.op == 1) continue;
        if (step.op == 0) {
            StackEntry& entry = stack.emplace_back();
            entry.value.Kind = TValueKind::Token;
            entry.operand = step.operand;
            continue;
        }
        if (stack.size() < 2) {
            // The missing left operand is invalid; the right one is still
            // resolved first, as an operator always does.
            if (!stack.empty()) Resolve(stack.back(), context);
            failed = true;
            break;
        }
        StackEntry& right = stack.back();
        StackEntry& left = stack[stack.size() - 2];
        if (!Apply(step.op, left, right, context)) {
            failed = true;
            break;
        }
        stack.pop_back();
    }
    if (failed || stack.size() != 1) {
        stack.clear();
        Report(script_messages::WrongExpression);
        return TReturnValue::Invalid();
    }
    StackEntry& last = stack.back();
    Resolve(last, context);
    MakeText(last);
    TReturnValue value = std::move(last.value);
    stack.clear();
    if (value.IsInvalid()) Report(script_messages::CalculationError);
    return value;
}

// Operands of the stack are read without their integer texts: most are only
// numbers to an operator. MakeText fills the text where it is used.
void TZanCalculation::Resolve(StackEntry& entry, int context)
{
    if (entry.value.Kind != TValueKind::Token || !entry.operand) return;
    const Operand& operand = *entry.operand;
    if (operand.literal == Literal::Integer) {
        // An integer literal's text is as written ("$FF"), taken when used.
        ++resolutions_;
        entry.value.Kind = TValueKind::Integer;
        entry.value.Number = operand.number;
        entry.textStale = true;
        entry.pendingText = &operand.text;
        return;
    }
    const bool variable = operand.literal == Literal::None;
    ResolveInto(*entry.operand, context, entry.value, !variable);
    entry.textStale = variable && entry.value.IsInteger();
}

void TZanCalculation::MakeText(StackEntry& entry)
{
    if (!entry.textStale) return;
    if (entry.pendingText)
        entry.value.Text.assign(*entry.pendingText);
    else if (entry.value.IsInteger())
        AssignIntText(entry.value.Text, entry.value.Number);
    entry.textStale = false;
    entry.pendingText = nullptr;
}

bool TZanCalculation::Apply(char code, StackEntry& left, StackEntry& right, int context)
{
    if (code != 'h') Resolve(left, context);
    Resolve(right, context);
    TReturnValue& a = left.value;
    const TReturnValue& b = right.value;
    if (a.IsInvalid() || b.IsInvalid()) {
        a.MakeInvalid();
        return false;
    }
    const bool integers = a.IsInteger() && b.IsInteger();
    // Texts take part in every operation with a string, and in assignment.
    if (!integers && code != 'h') {
        MakeText(left);
        MakeText(right);
    }
    const auto arithmetic = [&](uint32_t result) {
        a.Number = Wrap(result);
        // An integer result gets its text when it is used; a string keeps
        // the text it has.
        if (integers) {
            left.textStale = true;
            left.pendingText = nullptr;
        }
        a.Kind = TValueKind::Integer;
        return true;
    };
    const auto truth = [&](bool result) {
        a.Kind = TValueKind::Integer;
        a.Number = result ? 1 : 0;
        a.Text.assign(result ? "1" : "0");
        left.textStale = false;
        left.pendingText = nullptr;
        return true;
    };
    const auto joined = [&](uint32_t result) {
        a.Number = Wrap(result);
        if (integers) {
            left.textStale = true;
            left.pendingText = nullptr;
        } else {
            a.Text += b.Text; // the left operand's kind stays
        }
        return true;
    };
    const uint32_t x = Bits(a.Number), y = Bits(b.Number);
    switch (code) {
    case '8':
        if (!integers && a.Kind == b.Kind) {
            a.Text += b.Text;
            return true;
        }
        return joined(x + y);
    case 'e':
        if (!integers && a.Kind == b.Kind) {
            a.Text += b.Text;
            return true;
        }
        return joined(x & y);
    case '9':
        return arithmetic(x - y);
    case 'a':
        return arithmetic(x * y);
    case 'd':
        return arithmetic(x | y);
    case 'f':
        return arithmetic(x ^ y);
    case 'b':
        return arithmetic(Bits(Quotient(a.Number, b.Number)));
    case 'c':
        return arithmetic(Bits(Remainder(a.Number, b.Number)));
    case '2':
        return arithmetic(x << (y & 31));
    case '3':
        return arithmetic(x >> (y & 31));
    case '0':
    case '1': {
        const bool equal =
            a.IsInteger() ? a.Number == b.Number : LowerText(a.Text) == LowerText(b.Text);
        return truth(code == '0' ? equal : !equal);
    }
    case '4':
    case '5':
    case 'i':
    case 'j': {
        const int order = a.IsInteger() ? (a.Number < b.Number   ? -1
                                           : a.Number > b.Number ? 1
                                                                 : 0)
                                        : SameTextLower(a.Text, b.Text);
        const bool result = code == '4'   ? order <= 0
                            : code == '5' ? order >= 0
                            : code == 'i' ? order > 0
                                          : order < 0;
        return truth(result);
    }
    case '6':
    case '7':
        if (!integers) {
            a.MakeInvalid();
            return false;
        }
        return truth(code == '6' ? (a.Number == 1 && b.Number == 1)
                                 : (a.Number == 1 || b.Number == 1));
    case 'h':
        if (a.Kind != TValueKind::Token || !left.operand ||
            left.operand->literal != Literal::None || !AssignEntry(*left.operand, context, right)) {
            a.MakeInvalid();
            return false;
        }
        assigned_ = true;
        left.operand = nullptr;
        return truth(true);
    default:
        a.MakeInvalid();
        return false;
    }
}

// --- Commands' helpers

TZanCalculation::Found TZanCalculation::FindForCommand(std::string_view reference, int context,
                                                       TValueAdr& adr, bool namesOnly)
{
    adr = ParseReference(reference, namesOnly, context);
    const TReferenceHit hit = FindReference(adr.Name, context);
    if (hit.Store == StoreNone) return {};
    return {&Store(hit.Store), hit.Index, hit.Store == StoreLocal ? context : 0};
}

namespace {

TArraySizes SizesFrom(const TSubscripts& at)
{
    const auto size = [](int32_t v) { return v <= 0 ? 1 : v; };
    return {size(at.I1), size(at.I2), size(at.I3), size(at.I4)};
}

} // namespace

bool TZanCalculation::DeclareVariable(std::string_view reference, std::string_view kindName,
                                      bool isReference, uint16_t flags, int storeNumber,
                                      uint8_t elementType, int context)
{
    if (storeNumber < StoreSystem || storeNumber > StoreLocal) return false;
    const TValueAdr adr = ParseReference(reference, false, context);
    return Store(storeNumber)
        .Declare(adr.Name, kindName, isReference, flags, elementType,
                 storeNumber == StoreLocal ? context : 0, SizesFrom(adr.Index));
}

bool TZanCalculation::DeleteVariable(std::string_view reference, int context)
{
    TValueAdr adr;
    const Found found = FindForCommand(reference, context, adr, true);
    return found.store && found.store->DeleteVariable(adr.Name, found.level, false);
}

bool TZanCalculation::ResizeVariable(std::string_view reference, int context)
{
    TValueAdr adr;
    const Found found = FindForCommand(reference, context, adr, false);
    return found.store &&
           found.store->ResizeVariable(adr.Name, SizesFrom(adr.Index), false, found.level);
}

bool TZanCalculation::ResetVariable(std::string_view reference, int context)
{
    TValueAdr adr;
    const Found found = FindForCommand(reference, context, adr, true);
    if (!found.store) {
        Report(script_messages::NotDeclared, adr.Name);
        return false;
    }
    return found.store->ResetVariable(adr.Name, found.level, false);
}

std::optional<TArraySizes> TZanCalculation::GetSizes(std::string_view reference, int context)
{
    TValueAdr adr;
    const Found found = FindForCommand(reference, context, adr, true);
    if (!found.store) return std::nullopt;
    return found.store->GetSizes(adr.Name, found.level);
}

int32_t TZanCalculation::IntegerArgument(std::string_view argument, int context)
{
    return Evaluate(argument, context).Number;
}

std::string TZanCalculation::TextArgument(std::string_view argument, int context, bool braceForm)
{
    if (braceForm && settings_.OldStringWordEnable && !argument.empty() && argument[0] == '{') {
        return TakeBraceText(argument);
    }
    return std::move(Evaluate(argument, context).Text);
}

} // namespace tsukimi
