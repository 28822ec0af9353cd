#include "shell/VariableDump.h"

#include "platform/TextCodec.h"
#include "script/Value.h"

#include <cstdio>

namespace tsukimi {

namespace {

void AppendJsonString(std::string& out, std::string_view sjis)
{
    const std::string text = platform::SjisToUtf8(sjis);
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

const char* TypeName(uint8_t elementType)
{
    switch (elementType) {
    case ElementInteger: return "int";
    case ElementString: return "str";
    default: return "obj";
    }
}

void AppendVariable(std::string& out, const TValueArrayCustom& array)
{
    const TArraySizes& d = array.Sizes();
    out += "{\"type\": \"";
    out += TypeName(array.ElementType());
    out += "\", \"dims\": [" + std::to_string(d.D1) + ", " + std::to_string(d.D2) + ", " +
           std::to_string(d.D3) + ", " + std::to_string(d.D4) + "], \"values\": [";
    TReturnValue value;
    for (int32_t i = 0; i < array.Count(); ++i) {
        if (i > 0) out += ", ";
        array.GetElement(i, value);
        if (array.ElementType() == ElementInteger)
            out += std::to_string(value.Number);
        else
            AppendJsonString(out, value.Text);
    }
    out += "]}";
}

void AppendStore(std::string& out, const TValue& store)
{
    out += '{';
    bool first = true;
    for (int i = 0; i < store.Count(); ++i) {
        const TValueData& data = store.Variable(i);
        if (!data.Array) continue;
        out += first ? "\n    " : ",\n    ";
        first = false;
        AppendJsonString(out, data.Array->Name());
        out += ": ";
        AppendVariable(out, *data.Array);
    }
    out += first ? "}" : "\n  }";
}

} // namespace

std::string VariablesAsJson(const TValue& system, const TValue& game)
{
    std::string out = "{\n  \"system\": ";
    AppendStore(out, system);
    out += ",\n  \"game\": ";
    AppendStore(out, game);
    out += "\n}\n";
    return out;
}

} // namespace tsukimi
