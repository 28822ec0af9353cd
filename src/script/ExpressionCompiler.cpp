#include "script/ExpressionCompiler.h"

#include "data/TextHelpers.h"
#include "script/ScriptText.h"

namespace tsukimi {

namespace {

// The two-byte operators that become tokens, with their codes.
struct PairOperator
{
    char first, second, code;
};
constexpr PairOperator PairOperators[] = {{'&', '&', '6'}, {'<', '<', '2'}, {'!', '=', '1'},
                                          {'<', '=', '4'}, {'=', '=', '0'}, {'>', '=', '5'},
                                          {'>', '>', '3'}, {'|', '|', '7'}};

char SingleCode(char c)
{
    switch (c) {
    case '%':
        return 'c';
    case '&':
        return 'e';
    case '*':
        return 'a';
    case '+':
        return '8';
    case '-':
        return '9';
    case '/':
        return 'b';
    case '<':
        return 'j';
    case '=':
        return 'h';
    case '>':
        return 'i';
    case '^':
        return 'f';
    case '|':
        return 'd';
    default:
        return 0;
    }
}

std::string OperatorToken(char code)
{
    return std::string{'*', code};
}

} // namespace

bool TExpressionCompiler::IsOperatorByte(char c)
{
    switch (c) {
    case '!':
    case '%':
    case '&':
    case '*':
    case '+':
    case '-':
    case '/':
    case '<':
    case '=':
    case '>':
    case '^':
    case '|':
        return true;
    default:
        return false;
    }
}

int TExpressionCompiler::Level(char code)
{
    switch (code) {
    case 'a':
    case 'b':
    case 'c':
        return 1;
    case '8':
    case '9':
        return 2;
    case '2':
    case '3':
        return 3;
    case 'd':
    case 'e':
    case 'f':
        return 4;
    case '0':
    case '1':
    case '4':
    case '5':
    case 'i':
    case 'j':
        return 5;
    case '6':
    case '7':
        return 6;
    case 'h':
        return 7;
    default:
        return 0;
    }
}

bool TExpressionCompiler::IsOperatorToken(std::string_view token)
{
    return token.size() == 2 && token[0] == '*' && Level(token[1]) != 0;
}

bool TExpressionCompiler::IsSingleOperand(std::string_view expression)
{
    for (size_t i = 0; i + 1 < expression.size(); ++i) {
        const char c = expression[i];
        if (IsLeadByte(c)) {
            ++i;
            continue;
        }
        if (c == '(' || c == ')' || IsOperatorByte(c)) return false;
    }
    return true;
}

std::vector<std::string> TExpressionCompiler::Tokenize(std::string_view text,
                                                       std::vector<TExpressionAction>& actions)
{
    std::vector<std::string> tokens;
    std::string operand;
    int depth = 0;
    bool quoted = false, expectOperand = true;
    const auto flush = [&] {
        if (!operand.empty()) tokens.push_back(std::move(operand));
        operand.clear();
    };
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto byte = static_cast<uint8_t>(c);
        if (IsLeadByte(c)) {
            operand += text.substr(i, 2);
            i += 2;
            expectOperand = false;
            continue;
        }
        if (c == '"') {
            depth += quoted ? -1 : 1;
            quoted = !quoted;
        } else if (!quoted) {
            if (c == '(' || c == '[') ++depth;
            if (c == ')' || c == ']') --depth;
        }
        if (depth > 0 || !IsOperatorByte(c)) {
            if ((depth > 0 && quoted) || byte >= '!') {
                operand += c;
                expectOperand = false;
            }
            ++i;
            continue;
        }
        if (expectOperand && (c == '+' || c == '-' || c == '^')) {
            flush();
            operand = c;
            expectOperand = false;
            ++i;
            continue;
        }
        if (i + 1 < text.size() && IsOperatorByte(text[i + 1])) {
            const char next = text[i + 1];
            bool taken = false;
            for (const PairOperator& pair : PairOperators) {
                if (pair.first == c && pair.second == next) {
                    flush();
                    tokens.push_back(OperatorToken(pair.code));
                    expectOperand = true;
                    taken = true;
                    break;
                }
            }
            if (!taken && (c == '+' || c == '-') && next == c) {
                if (!operand.empty()) {
                    tokens.push_back(operand);
                    actions.push_back({TExpressionAction::Kind::Increment, std::move(operand),
                                       c == '+' ? 1 : -1});
                }
                operand.clear();
                expectOperand = false;
                taken = true;
            }
            if (taken) {
                i += 2;
                continue;
            }
        }
        if (const char code = SingleCode(c)) {
            flush();
            tokens.push_back(OperatorToken(code));
            expectOperand = true;
        }
        ++i; // a lone "!" is dropped
    }
    flush();
    if (depth != 0) actions.push_back({TExpressionAction::Kind::UnclosedGroup, {}, 0});
    return tokens;
}

std::string TExpressionCompiler::Expand(const std::string& token, Context& context, int depth)
{
    if (token.empty() || token[0] != '(') return token;
    if (depth >= MaxGroupDepth) {
        context.tooDeep = true;
        return {};
    }
    return FirstPostfix(Tokenize(InnerGroup(token), context.actions), context, depth + 1);
}

std::string TExpressionCompiler::FirstPostfix(std::vector<std::string> tokens, Context& context,
                                              int depth)
{
    if (tokens.empty() || context.tooDeep) return {};
    if (tokens.size() == 1) return Expand(tokens[0], context, depth);
    for (int level = 1; level <= 7; ++level) {
        for (size_t pos = 1; pos + 1 < tokens.size();) {
            const std::string& op = tokens[pos];
            if (!IsOperatorToken(op) || Level(op[1]) != level) {
                ++pos;
                continue;
            }
            std::string combined = Expand(tokens[pos - 1], context, depth);
            combined += '\x01';
            combined += Expand(tokens[pos + 1], context, depth);
            combined += '\x01';
            combined += op;
            if (context.tooDeep) return {};
            tokens[pos - 1] = std::move(combined);
            tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(pos),
                         tokens.begin() + static_cast<std::ptrdiff_t>(pos + 2));
        }
    }
    return std::move(tokens[0]);
}

TCompiledExpression TExpressionCompiler::Compile(std::string_view expression)
{
    TCompiledExpression compiled;
    if (IsSingleOperand(expression)) {
        compiled.Single = true;
        compiled.Operand = TrimSpaces(expression.substr(0, MaxSingleOperand));
        return compiled;
    }
    Context context{compiled.Actions};
    const std::string text = FirstPostfix(Tokenize(expression, compiled.Actions), context, 0);
    if (context.tooDeep) {
        compiled.TooDeep = true;
        compiled.Actions.clear();
        return compiled;
    }
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(text[i])) {
            ++i;
            continue;
        }
        if (text[i] == '\x01') {
            compiled.Postfix.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size() || !text.empty()) compiled.Postfix.push_back(text.substr(start));
    return compiled;
}

} // namespace tsukimi
