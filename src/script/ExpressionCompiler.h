#pragma once
// Turns an expression text into postfix tokens. The work is a pure function
// of the text: the "++" and "--" met while tokenising and the unclosed-group
// message are recorded as actions, which the evaluator carries out in order
// before it runs the tokens, so one compiled form can be reused.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

struct TExpressionAction
{
    enum class Kind : uint8_t { Increment, UnclosedGroup };
    Kind What = Kind::Increment;
    std::string Reference; // Increment: the operand before the "++" or "--"
    int Delta = 0;
};

struct TCompiledExpression
{
    // One operand (after trimming): no postfix run.
    bool Single = false;
    // Groups nested deeper than MaxGroupDepth: the expression is refused.
    bool TooDeep = false;
    std::string Operand; // Single: the trimmed operand
    std::vector<TExpressionAction> Actions;
    // Operands, operators ("*" + code) and empty pieces, in postfix order.
    std::vector<std::string> Postfix;
};

class TExpressionCompiler
{
public:
    static constexpr int MaxGroupDepth = 256;
    // Operands of a single-operand expression are cut to this many bytes.
    static constexpr size_t MaxSingleOperand = 1024;

    static TCompiledExpression Compile(std::string_view expression);

    static bool IsOperatorByte(char c);
    // 1 (tightest) .. 7 for an operator code, 0 for none.
    static int Level(char code);
    // An operator token: "*" followed by a known code.
    static bool IsOperatorToken(std::string_view token);

    // Exposed for tests.
    static bool IsSingleOperand(std::string_view expression);
    static std::vector<std::string> Tokenize(std::string_view text,
                                             std::vector<TExpressionAction>& actions);

private:
    struct Context
    {
        std::vector<TExpressionAction>& actions;
        bool tooDeep = false;
    };
    static std::string FirstPostfix(std::vector<std::string> tokens, Context& context, int depth);
    static std::string Expand(const std::string& token, Context& context, int depth);
};

} // namespace tsukimi
