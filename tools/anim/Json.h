#pragma once
// A small JSON reader and writer for the animation sources. The reader takes
// UTF-8 text (objects, arrays, strings with escapes, numbers, true, false,
// null), keeps members in their order, rejects duplicate members, and limits
// nesting to MaxDepth levels. Errors name the line and column.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tsukimi::anim {

class JsonError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct JsonValue
{
    enum class Type { Null, Bool, Number, String, Array, Object };

    static constexpr int MaxDepth = 64;

    Type type = Type::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;
    int line = 0, column = 0; // where the value starts (1-based)

    static JsonValue Number(double value);
    static JsonValue String(std::string value);
    static JsonValue Array();
    static JsonValue Object();

    bool IsObject() const { return type == Type::Object; }
    bool IsArray() const { return type == Type::Array; }
    bool IsString() const { return type == Type::String; }
    bool IsNumber() const { return type == Type::Number; }
    const JsonValue* Find(std::string_view key) const;
    // Appends a member (objects) or an item (arrays).
    void Set(std::string key, JsonValue value);
    void Push(JsonValue value);
    // "line L, column C".
    std::string Where() const;
};

JsonValue ParseJson(std::string_view text);
// Two-space indentation; arrays and objects that fit in one short line are
// written on one line. Ends with a newline.
std::string WriteJson(const JsonValue& value);

} // namespace tsukimi::anim
