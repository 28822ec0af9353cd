#include "Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tsukimi::anim {
namespace {

class TJsonReader
{
public:
    explicit TJsonReader(std::string_view text) : text_(text) {}

    JsonValue Document()
    {
        SkipSpace();
        JsonValue value = Value(0);
        SkipSpace();
        if (at_ != text_.size()) Fail("text after the end of the document");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw JsonError("line " + std::to_string(line_) + ", column " + std::to_string(column_) +
                        ": " + what);
    }

    bool AtEnd() const { return at_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
    char Next()
    {
        if (AtEnd()) Fail("unexpected end of text");
        const char c = text_[at_++];
        if (c == '\n') {
            ++line_;
            column_ = 1;
        } else {
            ++column_;
        }
        return c;
    }
    void Expect(char c)
    {
        if (Peek() != c) Fail(std::string("expected '") + c + "'");
        Next();
    }
    void SkipSpace()
    {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r'))
            Next();
    }
    void Word(std::string_view word)
    {
        for (char c : word) {
            if (Peek() != c) Fail("unknown word");
            Next();
        }
    }

    JsonValue Value(int depth)
    {
        if (depth >= JsonValue::MaxDepth) Fail("nesting deeper than 64 levels");
        JsonValue value;
        value.line = line_;
        value.column = column_;
        const char c = Peek();
        if (c == '{') {
            value.type = JsonValue::Type::Object;
            ObjectBody(value, depth);
        } else if (c == '[') {
            value.type = JsonValue::Type::Array;
            ArrayBody(value, depth);
        } else if (c == '"') {
            value.type = JsonValue::Type::String;
            value.text = StringBody();
        } else if (c == 't') {
            Word("true");
            value.type = JsonValue::Type::Bool;
            value.boolean = true;
        } else if (c == 'f') {
            Word("false");
            value.type = JsonValue::Type::Bool;
        } else if (c == 'n') {
            Word("null");
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            value.type = JsonValue::Type::Number;
            value.number = NumberBody();
        } else {
            Fail(AtEnd() ? "unexpected end of text" : "unexpected character");
        }
        return value;
    }

    void ObjectBody(JsonValue& value, int depth)
    {
        Next();
        SkipSpace();
        if (Peek() == '}') {
            Next();
            return;
        }
        for (;;) {
            SkipSpace();
            if (Peek() != '"') Fail("expected a member name in double quotes");
            std::string key = StringBody();
            if (value.Find(key)) Fail("member \"" + key + "\" given twice");
            SkipSpace();
            Expect(':');
            SkipSpace();
            value.members.emplace_back(std::move(key), Value(depth + 1));
            SkipSpace();
            if (Peek() == ',') {
                Next();
                continue;
            }
            Expect('}');
            return;
        }
    }

    void ArrayBody(JsonValue& value, int depth)
    {
        Next();
        SkipSpace();
        if (Peek() == ']') {
            Next();
            return;
        }
        for (;;) {
            SkipSpace();
            value.items.push_back(Value(depth + 1));
            SkipSpace();
            if (Peek() == ',') {
                Next();
                continue;
            }
            Expect(']');
            return;
        }
    }

    unsigned Hex4()
    {
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = Next();
            code <<= 4;
            if (c >= '0' && c <= '9') code |= unsigned(c - '0');
            else if (c >= 'a' && c <= 'f') code |= unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') code |= unsigned(c - 'A' + 10);
            else Fail("bad \\u escape");
        }
        return code;
    }

    static void AppendUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string StringBody()
    {
        Next();
        std::string out;
        for (;;) {
            const char c = Next();
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = Next();
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned code = Hex4();
                if (code >= 0xD800 && code <= 0xDBFF) {
                    if (Next() != '\\' || Next() != 'u') Fail("lone surrogate in \\u escape");
                    const unsigned low = Hex4();
                    if (low < 0xDC00 || low > 0xDFFF) Fail("lone surrogate in \\u escape");
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code <= 0xDFFF) {
                    Fail("lone surrogate in \\u escape");
                }
                AppendUtf8(out, code);
                break;
            }
            default: Fail("unknown escape");
            }
        }
    }

    double NumberBody()
    {
        const size_t start = at_;
        if (Peek() == '-') Next();
        if (Peek() == '0') {
            Next();
        } else if (Peek() >= '1' && Peek() <= '9') {
            while (Peek() >= '0' && Peek() <= '9')
                Next();
        } else {
            Fail("bad number");
        }
        if (Peek() == '.') {
            Next();
            if (!(Peek() >= '0' && Peek() <= '9')) Fail("bad number");
            while (Peek() >= '0' && Peek() <= '9')
                Next();
        }
        if (Peek() == 'e' || Peek() == 'E') {
            Next();
            if (Peek() == '+' || Peek() == '-') Next();
            if (!(Peek() >= '0' && Peek() <= '9')) Fail("bad number");
            while (Peek() >= '0' && Peek() <= '9')
                Next();
        }
        const std::string literal(text_.substr(start, at_ - start));
        const double value = std::strtod(literal.c_str(), nullptr);
        if (!std::isfinite(value)) Fail("number out of range");
        return value;
    }

    std::string_view text_;
    size_t at_ = 0;
    int line_ = 1, column_ = 1;
};

void WriteString(std::string& out, const std::string& text)
{
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

void WriteNumber(std::string& out, double value)
{
    char buffer[40];
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    else
        std::snprintf(buffer, sizeof buffer, "%.17g", value);
    out += buffer;
}

void WriteCompact(std::string& out, const JsonValue& v)
{
    switch (v.type) {
    case JsonValue::Type::Null: out += "null"; break;
    case JsonValue::Type::Bool: out += v.boolean ? "true" : "false"; break;
    case JsonValue::Type::Number: WriteNumber(out, v.number); break;
    case JsonValue::Type::String: WriteString(out, v.text); break;
    case JsonValue::Type::Array:
        out += '[';
        for (size_t i = 0; i < v.items.size(); ++i) {
            if (i) out += ", ";
            WriteCompact(out, v.items[i]);
        }
        out += ']';
        break;
    case JsonValue::Type::Object:
        out += '{';
        for (size_t i = 0; i < v.members.size(); ++i) {
            if (i) out += ", ";
            WriteString(out, v.members[i].first);
            out += ": ";
            WriteCompact(out, v.members[i].second);
        }
        out += '}';
        break;
    }
}

constexpr size_t LineWidth = 100;

void WritePretty(std::string& out, const JsonValue& v, size_t indent)
{
    const bool container = v.IsArray() || v.IsObject();
    std::string compact;
    WriteCompact(compact, v);
    if (!container || indent + compact.size() <= LineWidth ||
        (v.IsArray() ? v.items.empty() : v.members.empty())) {
        out += compact;
        return;
    }
    const std::string pad(indent + 2, ' ');
    out += v.IsArray() ? "[\n" : "{\n";
    const size_t count = v.IsArray() ? v.items.size() : v.members.size();
    for (size_t i = 0; i < count; ++i) {
        out += pad;
        if (v.IsArray()) {
            WritePretty(out, v.items[i], indent + 2);
        } else {
            WriteString(out, v.members[i].first);
            out += ": ";
            WritePretty(out, v.members[i].second, indent + 2);
        }
        if (i + 1 < count) out += ',';
        out += '\n';
    }
    out += std::string(indent, ' ');
    out += v.IsArray() ? ']' : '}';
}

} // namespace

JsonValue JsonValue::Number(double value)
{
    JsonValue v;
    v.type = Type::Number;
    v.number = value;
    return v;
}

JsonValue JsonValue::String(std::string value)
{
    JsonValue v;
    v.type = Type::String;
    v.text = std::move(value);
    return v;
}

JsonValue JsonValue::Array()
{
    JsonValue v;
    v.type = Type::Array;
    return v;
}

JsonValue JsonValue::Object()
{
    JsonValue v;
    v.type = Type::Object;
    return v;
}

const JsonValue* JsonValue::Find(std::string_view key) const
{
    for (const auto& member : members)
        if (member.first == key) return &member.second;
    return nullptr;
}

void JsonValue::Set(std::string key, JsonValue value)
{
    members.emplace_back(std::move(key), std::move(value));
}

void JsonValue::Push(JsonValue value)
{
    items.push_back(std::move(value));
}

std::string JsonValue::Where() const
{
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

JsonValue ParseJson(std::string_view text)
{
    return TJsonReader(text).Document();
}

std::string WriteJson(const JsonValue& value)
{
    std::string out;
    WritePretty(out, value, 0);
    out += '\n';
    return out;
}

} // namespace tsukimi::anim
