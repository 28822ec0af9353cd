#pragma once
// The expression evaluator and its three variable stores (system, game and
// local). Expressions are integer and string literals, variable references
// with up to four subscripts, unary signs, eighteen binary operators on
// seven levels, parentheses, assignment and the "++"/"--" post-operators.
// `context` is the call level whose local variables are visible.
//
// Compiled expressions and parsed operands are cached by their text, and
// variable look-ups are remembered per operand until a store changes.
#include "script/ExpressionCompiler.h"
#include "script/ReturnValue.h"
#include "script/ScriptSettings.h"
#include "script/Value.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tsukimi {

enum : int { StoreNone = 0, StoreSystem = 1, StoreGame = 2, StoreLocal = 3 };

struct TReferenceHit
{
    int Store = StoreNone; // StoreNone when not found
    int Index = -1;
};

class TZanCalculation
{
public:
    // Nested evaluations (subscripts within subscripts) deeper than this fail.
    static constexpr int MaxNesting = 256;

    explicit TZanCalculation(TObjectCallbacks* callbacks = nullptr, TScriptErrorReport report = {},
                             TScriptSettings settings = {});
    ~TZanCalculation();
    TZanCalculation(const TZanCalculation&) = delete;
    TZanCalculation& operator=(const TZanCalculation&) = delete;

    // The stores in use: the override when one is set, else the own store.
    TValue& SystemStore() { return systemOverride_ ? *systemOverride_ : system_; }
    TValue& GameStore() { return gameOverride_ ? *gameOverride_ : game_; }
    TValue& LocalStore() { return localOverride_ ? *localOverride_ : local_; }
    TValue& Store(int number); // StoreSystem .. StoreLocal
    // Null returns to the own store. The system thread points its system
    // store at the game thread's.
    void SetSystemStoreOverride(TValue* store);
    void SetGameStoreOverride(TValue* store);
    void SetLocalStoreOverride(TValue* store);

    void SetErrorReport(TScriptErrorReport report);
    // On this evaluator and the three stores in use.
    void SetReportErrors(bool on);
    bool ReportErrors() const { return reportErrors_; }
    const TScriptSettings& Settings() const { return settings_; }

    // Clears the game and local stores and declares the predefined variables.
    void ResetVariables();

    TReturnValue Evaluate(std::string_view expression, int context);
    // The same; `compiled` keeps the compiled form of `expression` between
    // calls. It must only ever be used with that one text.
    TReturnValue Evaluate(std::string_view expression, int context, std::shared_ptr<void>& compiled);
    // One operand text made a value (literal or variable).
    TReturnValue ResolveToken(std::string_view text, int context);
    // A kind-3 value resolved; other values unchanged.
    TReturnValue ResolveValue(TReturnValue value, int context);
    bool Assign(std::string_view reference, int context, const TReturnValue& value);
    bool AssignInteger(std::string_view reference, int context, int32_t number);
    bool IncrementVariable(std::string_view reference, int delta, int context);
    // With `namesOnly` the subscripts are not evaluated (all 0).
    TValueAdr ParseReference(std::string_view text, bool namesOnly, int context);
    // Local store at `context`, then game and system stores at level 0.
    TReferenceHit FindReference(std::string_view name, int context);

    // Declaration and array helpers for the variable commands. Sizes come
    // from the subscripts (0 or less counts as 1).
    bool DeclareVariable(std::string_view reference, std::string_view kindName, bool isReference,
                         uint16_t flags, int storeNumber, uint8_t elementType, int context);
    bool DeleteVariable(std::string_view reference, int context);
    bool ResizeVariable(std::string_view reference, int context);
    bool ResetVariable(std::string_view reference, int context);
    std::optional<TArraySizes> GetSizes(std::string_view reference, int context);

    // Argument conventions of the command handlers.
    int32_t IntegerArgument(std::string_view argument, int context);
    // With `braceForm` and OldStringWordEnable, an argument starting with
    // "{" is taken literally (TakeBraceText).
    std::string TextArgument(std::string_view argument, int context, bool braceForm = true);

    bool Assigned() const { return assigned_; }
    uint16_t Resolutions() const { return resolutions_; }
    uint16_t Assignments() const { return assignments_; }
    void ClearCaches();

private:
    struct LookupSlot
    {
        const TValue* store = nullptr;
        uint64_t generation = 0;
        int level = 0;
        int index = -1;
    };
    enum class Literal : uint8_t { None, String, Integer };
    enum class Subscripts : uint8_t { None, Pieces, Number, Token };
    // One operand text, parsed once.
    struct Operand
    {
        std::string text;
        Literal literal = Literal::None;
        int32_t number = 0;
        std::string stringText;
        char sign = 0;
        std::string name, lowerName;
        Subscripts subscripts = Subscripts::None;
        std::vector<std::string> pieces; // as written (at most four)
        std::string shortToken;
        LookupSlot slots[3]; // local, game, system
    };
    struct Step
    {
        char op = 0; // operator code; 0: operand; 1: empty piece
        Operand* operand = nullptr;
    };
    struct Program
    {
        TCompiledExpression compiled;
        std::vector<std::shared_ptr<Operand>> operands;
        std::vector<Step> steps;
        Operand* single = nullptr;
    };
    struct StackEntry
    {
        TReturnValue value;
        Operand* operand = nullptr;
        // An integer whose text has not been made yet: the literal's text
        // as written when `pendingText` is set, else the number's.
        bool textStale = false;
        const std::string* pendingText = nullptr;
    };
    struct TextHash
    {
        using is_transparent = void;
        size_t operator()(std::string_view text) const
        {
            return std::hash<std::string_view>{}(text);
        }
    };
    struct Found
    {
        TValue* store = nullptr;
        int index = -1;
        int level = 0;
    };
    template <class T>
    using TextMap = std::unordered_map<std::string, std::shared_ptr<T>, TextHash, std::equal_to<>>;

    void Report(std::string_view head, std::string_view tail = {}) const;
    std::shared_ptr<Operand> OperandFor(std::string_view text);
    Program& ProgramFor(std::string_view expression);
    std::shared_ptr<Program> SharedProgramFor(std::string_view expression);
    TReturnValue EvaluateWith(std::string_view expression, int context, std::shared_ptr<void>* compiled);
    TReturnValue Run(const Program& program, int context);
    Found Lookup(Operand& operand, int context);
    TSubscripts EvaluateSubscripts(const Operand& operand, int context);
    TSubscripts SubscriptsOf(const Operand& operand, int context)
    {
        return operand.subscripts == Subscripts::None ? TSubscripts{} : EvaluateSubscripts(operand, context);
    }
    TReturnValue ResolveOperand(Operand& operand, int context);
    void ResolveInto(Operand& operand, int context, TReturnValue& value, bool withText = true);
    void Resolve(StackEntry& entry, int context);
    static void MakeText(StackEntry& entry);
    // Assignment from the stack: the text is made only where it is stored.
    bool AssignEntry(Operand& operand, int context, StackEntry& entry);
    bool AssignOperand(Operand& operand, int context, const TReturnValue& value);
    bool IncrementOperand(Operand& operand, int delta, int context);
    bool Apply(char code, StackEntry& left, StackEntry& right, int context);
    Found FindForCommand(std::string_view reference, int context, TValueAdr& adr, bool namesOnly);

    TValue system_, game_, local_;
    TValue* systemOverride_ = nullptr;
    TValue* gameOverride_ = nullptr;
    TValue* localOverride_ = nullptr;
    TScriptErrorReport report_;
    TScriptSettings settings_;
    bool reportErrors_ = true;
    bool assigned_ = false;
    uint16_t resolutions_ = 0, assignments_ = 0;
    int nesting_ = 0;
    TextMap<Operand> operands_;
    TextMap<Program> programs_;
    std::vector<std::unique_ptr<std::vector<StackEntry>>> stacks_; // one per nesting depth
};

} // namespace tsukimi
