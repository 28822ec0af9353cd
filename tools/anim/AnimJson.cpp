#include "AnimJson.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>

namespace tsukimi::anim {
namespace {

namespace fs = std::filesystem;
using K = TAnimationKey;

// --- Names of enumerated values --------------------------------------------

using TNames = std::vector<std::string_view>;

const TNames KindNames = {"none",      "fill",      "image",          "stretch",       "zoom",
                          "afterimage", "hitrect",  "nested",         "hitimage",      "crossfade",
                          "softwipe",  "rulemask",  "masklevel",      "maskimage",     "maskfill",
                          "resettransform", "pushtransform", "poptransform", "model"};
const TNames CurveNames = {"step",  "linear",    "bspline",   "easeout", "easein",  "hermite",
                           "shake", "easeoutin", "easeinout", "bezier",  "bezier2", "bezier3"};
const TNames ActionNames = {"none",   "jump",   "timeofday", "randompause", "leveljump",
                            "motion", "pause",  "finish",    "sound",       "shortrandompause",
                            "shortpause", "stopsound", "setclocks", "sync"};
const TNames FunctionNames = {"off",  "random",   "sin",  "cos",      "const",  "noise",
                              "quantise", "wave", "cosWave", "triangle", "square", "external"};
const TNames ModeNames = {"normal", "push", "pop"};
const TNames ImageTypeNames = {"bmp", "jpg", "png", "", "m", "argb", "b", "ogv", "mdl"};

JsonValue NamedValue(int64_t value, const TNames* names)
{
    if (names && value >= 0 && static_cast<size_t>(value) < names->size() &&
        !(*names)[static_cast<size_t>(value)].empty())
        return JsonValue::String(std::string((*names)[static_cast<size_t>(value)]));
    return JsonValue::Number(static_cast<double>(value));
}

// --- Reading helpers ---------------------------------------------------------

class TContext
{
public:
    explicit TContext(std::string where) : where_(std::move(where)) {}
    TContext Sub(const std::string& part) const { return TContext(where_ + " " + part); }
    [[noreturn]] void Fail(const JsonValue& v, const std::string& what) const
    {
        throw SourceError(v.Where() + ": " + where_ + ": " + what);
    }
    const std::string& Where() const { return where_; }

private:
    std::string where_;
};

int64_t Integer(const JsonValue& v, int64_t low, int64_t high, const TContext& c,
                const std::string& field, const TNames* names = nullptr)
{
    if (v.IsString() && names) {
        for (size_t i = 0; i < names->size(); ++i)
            if (!(*names)[i].empty() && (*names)[i] == v.text) return static_cast<int64_t>(i);
        c.Fail(v, "field \"" + field + "\": unknown name \"" + v.text + "\"");
    }
    if (!v.IsNumber() || v.number != std::trunc(v.number))
        c.Fail(v, "field \"" + field + "\" needs a whole number" + (names ? " or a name" : ""));
    if (v.number < static_cast<double>(low) || v.number > static_cast<double>(high))
        c.Fail(v, "field \"" + field + "\": " + std::to_string(static_cast<long long>(v.number)) +
                      " is out of range " + std::to_string(low) + ".." + std::to_string(high));
    return static_cast<int64_t>(v.number);
}

uint32_t Colour(const JsonValue& v, const TContext& c, const std::string& field)
{
    if (v.IsString() && v.text.size() == 7 && v.text[0] == '#') {
        uint32_t value = 0;
        for (size_t i = 1; i < 7; ++i) {
            const char h = v.text[i];
            value <<= 4;
            if (h >= '0' && h <= '9') value |= uint32_t(h - '0');
            else if (h >= 'a' && h <= 'f') value |= uint32_t(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') value |= uint32_t(h - 'A' + 10);
            else c.Fail(v, "field \"" + field + "\": colours are \"#RRGGBB\"");
        }
        return value;
    }
    return static_cast<uint32_t>(Integer(v, 0, 0xFFFFFFFF, c, field));
}

JsonValue ColourValue(uint32_t value)
{
    if (value > 0xFFFFFF) return JsonValue::Number(value);
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%06X", value);
    return JsonValue::String(buffer);
}

std::string Text(const JsonValue& v, const TContext& c, const std::string& field)
{
    if (!v.IsString()) c.Fail(v, "field \"" + field + "\" needs a string");
    std::string sjis = platform::Utf8ToSjis(v.text);
    if (sjis.size() > 65535) c.Fail(v, "field \"" + field + "\" is longer than 65535 bytes");
    return sjis;
}

void CheckMembers(const JsonValue& v, const TContext& c, std::initializer_list<std::string_view> known)
{
    if (!v.IsObject()) c.Fail(v, "needs an object");
    for (const auto& [key, value] : v.members) {
        if (std::find(known.begin(), known.end(), key) == known.end())
            c.Fail(value, "unknown field \"" + key + "\"");
    }
}

std::vector<uint8_t> ReadFile(const fs::path& path, const JsonValue& v, const TContext& c)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) c.Fail(v, path.string() + ": no such file");
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) c.Fail(v, path.string() + ": cannot be read");
    if (bytes.size() > 0x7FFFFFFF) c.Fail(v, path.string() + ": too large");
    return bytes;
}

// --- Key fields ----------------------------------------------------------------

struct TKeyField
{
    std::string_view name;
    std::function<int64_t(const K&)> get;
    std::function<void(K&, int64_t)> set;
    int64_t low, high;
    const TNames* names = nullptr;
};

#define TSUKIMI_KEY_FIELD(jsonName, member, names)                                               \
    TKeyField                                                                                    \
    {                                                                                            \
        jsonName, [](const K& k) -> int64_t { return k.member; },                                \
            [](K& k, int64_t v) { k.member = static_cast<decltype(k.member)>(v); },              \
            std::numeric_limits<decltype(K::member)>::min(),                                     \
            std::numeric_limits<decltype(K::member)>::max(), names                               \
    }

const std::vector<TKeyField>& KeyFields()
{
    static const std::vector<TKeyField> fields = {
        TSUKIMI_KEY_FIELD("kind", kind, &KindNames),
        TSUKIMI_KEY_FIELD("blend", blend, nullptr),
        TSUKIMI_KEY_FIELD("srcX", srcX, nullptr),
        TSUKIMI_KEY_FIELD("srcY", srcY, nullptr),
        TSUKIMI_KEY_FIELD("srcW", srcW, nullptr),
        TSUKIMI_KEY_FIELD("srcH", srcH, nullptr),
        TSUKIMI_KEY_FIELD("src2X", src2X, nullptr),
        TSUKIMI_KEY_FIELD("src2Y", src2Y, nullptr),
        TSUKIMI_KEY_FIELD("src2W", src2W, nullptr),
        TSUKIMI_KEY_FIELD("src2H", src2H, nullptr),
        TSUKIMI_KEY_FIELD("srcTime", srcTime, nullptr),
        TSUKIMI_KEY_FIELD("srcTime2", srcTime2, nullptr),
        TSUKIMI_KEY_FIELD("x", x, nullptr),
        TSUKIMI_KEY_FIELD("y", y, nullptr),
        TSUKIMI_KEY_FIELD("z", z, nullptr),
        TSUKIMI_KEY_FIELD("zoomX", zoomX, nullptr),
        TSUKIMI_KEY_FIELD("zoomY", zoomY, nullptr),
        TSUKIMI_KEY_FIELD("zoomZ", zoomZ, nullptr),
        TSUKIMI_KEY_FIELD("depth", depth, nullptr),
        TSUKIMI_KEY_FIELD("depthScale", depthScale, nullptr),
        TSUKIMI_KEY_FIELD("rotX", rotX, nullptr),
        TSUKIMI_KEY_FIELD("rotY", rotY, nullptr),
        TSUKIMI_KEY_FIELD("rotZ", rotZ, nullptr),
        TSUKIMI_KEY_FIELD("opacity", opacity, nullptr),
        TSUKIMI_KEY_FIELD("opacity2", opacity2, nullptr),
        TSUKIMI_KEY_FIELD("softness", softness, nullptr),
        TSUKIMI_KEY_FIELD("imageCurve", imageType, &CurveNames),
        TSUKIMI_KEY_FIELD("imageParam", imageParam, nullptr),
        TSUKIMI_KEY_FIELD("posCurve", posType, &CurveNames),
        TSUKIMI_KEY_FIELD("posParam", posParam, nullptr),
        TSUKIMI_KEY_FIELD("timeCurve", timeType, &CurveNames),
        TSUKIMI_KEY_FIELD("timeParam", timeParam, nullptr),
        TSUKIMI_KEY_FIELD("transformCurve", transformType, &CurveNames),
        TSUKIMI_KEY_FIELD("transformParam", transformParam, nullptr),
        TSUKIMI_KEY_FIELD("colorCurve", colorType, &CurveNames),
        TSUKIMI_KEY_FIELD("colorParam", colorParam, nullptr),
        TSUKIMI_KEY_FIELD("action", action, &ActionNames),
        TSUKIMI_KEY_FIELD("anchorX", anchor1X, nullptr),
        TSUKIMI_KEY_FIELD("anchorY", anchor1Y, nullptr),
        TSUKIMI_KEY_FIELD("pivotX", anchor2X, nullptr),
        TSUKIMI_KEY_FIELD("pivotY", anchor2Y, nullptr),
        TSUKIMI_KEY_FIELD("anchorIndex", anchorIndex1, nullptr),
        TSUKIMI_KEY_FIELD("pivotIndex", anchorIndex2, nullptr),
        TSUKIMI_KEY_FIELD("filter", filter, nullptr),
        TSUKIMI_KEY_FIELD("grid", grid, nullptr),
        TSUKIMI_KEY_FIELD("rotationOrder", rotationOrder, nullptr),
        TSUKIMI_KEY_FIELD("depthMode", depthMode, nullptr),
        TSUKIMI_KEY_FIELD("cull", cull, nullptr),
        TSUKIMI_KEY_FIELD("snapAnchor", snap1, nullptr),
        TSUKIMI_KEY_FIELD("snapPivot", snap2, nullptr),
    };
    return fields;
}

#undef TSUKIMI_KEY_FIELD

// Named references resolved while reading keys.
struct TNameTables
{
    std::vector<std::string> motions;
    std::vector<std::pair<std::string, std::string>> images; // label, name
    std::vector<std::pair<std::string, std::string>> sounds;
};

int64_t IndexOrName(const JsonValue& v, const std::vector<std::pair<std::string, std::string>>& list,
                    int64_t low, int64_t high, const TContext& c, const std::string& field)
{
    if (!v.IsString()) return Integer(v, low, high, c, field);
    const std::string name = platform::Utf8ToSjis(v.text);
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].first == name) return static_cast<int64_t>(i);
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].second == name) return static_cast<int64_t>(i);
    c.Fail(v, "field \"" + field + "\": no entry named \"" + v.text + "\"");
}

std::array<int64_t, 4> FourIntegers(const JsonValue& v, int64_t low, int64_t high, const TContext& c,
                                    const std::string& field)
{
    if (!v.IsArray() || v.items.size() > 4)
        c.Fail(v, "field \"" + field + "\" needs an array of up to 4 numbers");
    std::array<int64_t, 4> out{};
    for (size_t i = 0; i < v.items.size(); ++i)
        out[i] = Integer(v.items[i], low, high, c, field);
    return out;
}

TKeyModifier ModifierFromJson(const JsonValue& v, const TContext& c)
{
    CheckMembers(v, c, {"function", "target", "curve", "param", "p"});
    TKeyModifier m;
    if (auto* f = v.Find("function")) m.function = static_cast<uint8_t>(Integer(*f, 0, 255, c, "function", &FunctionNames));
    if (auto* f = v.Find("target")) m.target = static_cast<uint8_t>(Integer(*f, 0, 255, c, "target"));
    if (auto* f = v.Find("curve")) m.type = static_cast<uint8_t>(Integer(*f, 0, 255, c, "curve", &CurveNames));
    if (auto* f = v.Find("param")) m.param = static_cast<uint8_t>(Integer(*f, 0, 255, c, "param"));
    if (auto* f = v.Find("p")) {
        const auto p = FourIntegers(*f, INT16_MIN, INT16_MAX, c, "p");
        // Missing entries stay 0.
        size_t given = f->items.size();
        for (size_t i = 0; i < given; ++i)
            m.p[i] = static_cast<int16_t>(p[i]);
    }
    return m;
}

TAnimationKey KeyFromJson(const JsonValue& v, int index, int32_t defaultTime,
                          const TNameTables& names, const TContext& c)
{
    if (!v.IsObject()) c.Fail(v, "needs an object");
    TAnimationKey key = TAnimationKey::Default(index);
    key.time = defaultTime;
    for (const auto& [name, value] : v.members) {
        const auto& fields = KeyFields();
        auto field = std::find_if(fields.begin(), fields.end(),
                                  [&name](const TKeyField& f) { return f.name == name; });
        if (field != fields.end()) {
            field->set(key, Integer(value, field->low, field->high, c, name, field->names));
        } else if (name == "time") {
            key.time = static_cast<int32_t>(Integer(value, INT32_MIN, INT32_MAX, c, name));
        } else if (name == "image" || name == "image2") {
            const auto i = static_cast<uint8_t>(IndexOrName(value, names.images, 0, 255, c, name));
            (name == "image" ? key.image : key.image2) = i;
        } else if (name == "addColor") {
            key.addColor = Colour(value, c, name);
        } else if (name == "mulColor") {
            key.mulColor = Colour(value, c, name);
        } else if (name == "params") {
            const auto p = FourIntegers(value, INT16_MIN, INT16_MAX, c, name);
            for (size_t i = 0; i < value.items.size(); ++i)
                key.params[i] = static_cast<int16_t>(p[i]);
        } else if (name == "actionBytes") {
            const auto p = FourIntegers(value, 0, 255, c, name);
            for (size_t i = 0; i < value.items.size(); ++i)
                key.actionBytes[i] = static_cast<uint8_t>(p[i]);
        } else if (name == "links") {
            const auto p = FourIntegers(value, INT16_MIN, INT16_MAX, c, name);
            for (size_t i = 0; i < value.items.size(); ++i)
                key.links[i] = static_cast<int16_t>(p[i]);
        } else if (name == "motion") {
            // A motion change to the motion of that name (or index).
            int64_t target = -1;
            if (value.IsString()) {
                const std::string wanted = platform::Utf8ToSjis(value.text);
                for (size_t i = 0; i < names.motions.size(); ++i)
                    if (names.motions[i] == wanted) target = static_cast<int64_t>(i);
                if (target < 0) c.Fail(value, "field \"motion\": no motion named \"" + value.text + "\"");
            } else {
                target = Integer(value, 0, 255, c, name);
            }
            key.action = 5;
            key.params[0] = static_cast<int16_t>(target);
        } else if (name == "sound") {
            key.params[0] = static_cast<int16_t>(IndexOrName(value, names.sounds, 0, 255, c, name));
        } else if (name == "modifiers") {
            if (!value.IsArray() || value.items.size() > 4)
                c.Fail(value, "field \"modifiers\" needs an array of up to 4 objects");
            for (size_t i = 0; i < value.items.size(); ++i)
                key.modifiers[i] = ModifierFromJson(value.items[i], c.Sub("modifier " + std::to_string(i)));
        } else {
            c.Fail(value, "unknown field \"" + name + "\"");
        }
    }
    return key;
}

JsonValue KeyToJson(const TAnimationKey& key, int index)
{
    const TAnimationKey base = TAnimationKey::Default(index);
    JsonValue out = JsonValue::Object();
    out.Set("time", JsonValue::Number(key.time));
    if (key.image != base.image) out.Set("image", JsonValue::Number(key.image));
    if (key.image2 != base.image2) out.Set("image2", JsonValue::Number(key.image2));
    for (const TKeyField& field : KeyFields()) {
        const int64_t value = field.get(key);
        if (value != field.get(base)) out.Set(std::string(field.name), NamedValue(value, field.names));
    }
    if (key.addColor != base.addColor) out.Set("addColor", ColourValue(key.addColor));
    if (key.mulColor != base.mulColor) out.Set("mulColor", ColourValue(key.mulColor));
    auto four = [&out](const char* name, const auto& values, const auto& defaults) {
        if (values == defaults) return;
        JsonValue array = JsonValue::Array();
        for (auto v : values)
            array.Push(JsonValue::Number(v));
        out.Set(name, std::move(array));
    };
    four("params", key.params, base.params);
    four("actionBytes", key.actionBytes, base.actionBytes);
    four("links", key.links, base.links);
    if (key.modifiers != base.modifiers) {
        JsonValue list = JsonValue::Array();
        size_t used = 0;
        for (size_t i = 0; i < key.modifiers.size(); ++i)
            if (key.modifiers[i] != TKeyModifier{}) used = i + 1;
        for (size_t i = 0; i < used; ++i) {
            const TKeyModifier& m = key.modifiers[i];
            JsonValue mod = JsonValue::Object();
            const TKeyModifier d;
            if (m.function != d.function) mod.Set("function", NamedValue(m.function, &FunctionNames));
            if (m.target != d.target) mod.Set("target", JsonValue::Number(m.target));
            if (m.type != d.type) mod.Set("curve", NamedValue(m.type, &CurveNames));
            if (m.param != d.param) mod.Set("param", JsonValue::Number(m.param));
            if (m.p != d.p) {
                JsonValue p = JsonValue::Array();
                for (auto v : m.p)
                    p.Push(JsonValue::Number(v));
                mod.Set("p", std::move(p));
            }
            list.Push(std::move(mod));
        }
        out.Set("modifiers", std::move(list));
    }
    return out;
}

uint8_t TypeFromExtension(const fs::path& file, bool image)
{
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    if (!image) return ext == ".wav" ? 0 : 1;
    if (ext == ".bmp") return 0;
    if (ext == ".jpg" || ext == ".jpeg") return 1;
    if (ext == ".m") return 4;
    if (ext == ".argb") return 5;
    if (ext == ".b") return 6;
    if (ext == ".ogv") return 7;
    if (ext == ".mdl") return 8;
    return 2;
}

const TNames SoundTypeNames = {"wav", "ogg"};

// The payload of an image or sound entry: "file" (read from the folder) or
// "data" (base64). Sets the stored name from the file when not given.
std::vector<uint8_t> Payload(const JsonValue& v, const fs::path& folder, const TContext& c,
                             std::string& identity, uint8_t& type, bool image)
{
    const JsonValue* file = v.Find("file");
    const JsonValue* data = v.Find("data");
    if (file && data) c.Fail(v, "give either \"file\" or \"data\", not both");
    std::vector<uint8_t> bytes;
    if (file) {
        Text(*file, c, "file");
        const fs::path relative(std::u8string(file->text.begin(), file->text.end()));
        const fs::path path = folder / relative;
        bytes = ReadFile(path, *file, c);
        if (!v.Find("name")) {
            const std::u8string stem = relative.stem().u8string();
            identity = platform::Utf8ToSjis(std::string(stem.begin(), stem.end()));
        }
        if (!v.Find("type")) type = TypeFromExtension(path, image);
    } else if (data) {
        if (!data->IsString()) c.Fail(*data, "field \"data\" needs a base64 string");
        try {
            bytes = Base64Decode(data->text);
        } catch (const SourceError& e) {
            c.Fail(*data, std::string("field \"data\": ") + e.what());
        }
    }
    return bytes;
}

JsonValue PayloadToJson(JsonValue out, const std::vector<uint8_t>& payload)
{
    if (!payload.empty()) out.Set("data", JsonValue::String(Base64Encode(payload)));
    return out;
}

const JsonValue* Member(const JsonValue& v, std::string_view key)
{
    return v.Find(key);
}

} // namespace

TAnimationSource SourceFromJson(const JsonValue& root, const fs::path& folder)
{
    const TContext top("animation");
    CheckMembers(root, top, {"name", "width", "height", "length", "loop", "step", "properties",
                             "motions", "images", "sounds"});
    TAnimationSource source;
    source.data = std::make_shared<TABMPData10>(std::string_view{}, true);
    source.images = std::make_unique<TABMPImage10>(std::string_view{}, true);
    source.sounds = std::make_unique<TABMPSound10>(std::string_view{}, true);
    TABMPData10& data = *source.data;
    if (auto* v = Member(root, "name")) data.name = Text(*v, top, "name");
    if (auto* v = Member(root, "width")) data.width = static_cast<uint32_t>(Integer(*v, 0, UINT32_MAX, top, "width"));
    if (auto* v = Member(root, "height")) data.height = static_cast<uint32_t>(Integer(*v, 0, UINT32_MAX, top, "height"));
    if (auto* v = Member(root, "length")) data.length = static_cast<uint32_t>(Integer(*v, 0, UINT32_MAX, top, "length"));
    if (auto* v = Member(root, "loop")) data.loopStart = static_cast<uint32_t>(Integer(*v, 0, UINT32_MAX, top, "loop"));
    if (auto* v = Member(root, "step")) data.frameStep = static_cast<uint32_t>(Integer(*v, 0, UINT32_MAX, top, "step"));
    if (auto* v = Member(root, "properties")) {
        if (v->IsArray()) {
            std::string joined;
            for (const JsonValue& line : v->items) {
                if (!joined.empty()) joined += "\r\n";
                joined += Text(line, top, "properties");
            }
            data.properties = joined;
        } else {
            data.properties = Text(*v, top, "properties");
        }
        if (data.properties.size() > 65535) top.Fail(*v, "the property list is longer than 65535 bytes");
    }

    TNameTables names;
    auto list = [&](const char* key) -> const std::vector<JsonValue>* {
        const JsonValue* v = Member(root, key);
        if (!v) return nullptr;
        if (!v->IsArray()) top.Fail(*v, std::string("field \"") + key + "\" needs an array");
        if (v->items.size() > 255) top.Fail(*v, std::string("more than 255 ") + key);
        return &v->items;
    };
    if (auto* images = list("images")) {
        for (size_t i = 0; i < images->size(); ++i) {
            const JsonValue& v = (*images)[i];
            const TContext c = top.Sub("image " + std::to_string(i));
            CheckMembers(v, c, {"label", "name", "type", "x", "y", "z", "file", "data"});
            auto entry = std::make_unique<TABMPImageData10>("ImgDat" + std::to_string(i), "", true);
            if (auto* f = v.Find("label")) entry->label = Text(*f, c, "label");
            if (auto* f = v.Find("name")) entry->identity = Text(*f, c, "name");
            if (auto* f = v.Find("type")) entry->type = static_cast<uint8_t>(Integer(*f, 0, 255, c, "type", &ImageTypeNames));
            if (auto* f = v.Find("x")) entry->offsetX = static_cast<int32_t>(Integer(*f, INT32_MIN, INT32_MAX, c, "x"));
            if (auto* f = v.Find("y")) entry->offsetY = static_cast<int32_t>(Integer(*f, INT32_MIN, INT32_MAX, c, "y"));
            if (auto* f = v.Find("z")) entry->offsetZ = static_cast<int32_t>(Integer(*f, INT32_MIN, INT32_MAX, c, "z"));
            entry->payload = Payload(v, folder, c, entry->identity, entry->type, true);
            names.images.emplace_back(entry->label, entry->identity);
            source.images->entries.push_back(std::move(entry));
        }
    }
    if (auto* sounds = list("sounds")) {
        for (size_t i = 0; i < sounds->size(); ++i) {
            const JsonValue& v = (*sounds)[i];
            const TContext c = top.Sub("sound " + std::to_string(i));
            CheckMembers(v, c, {"label", "name", "type", "file", "data"});
            auto entry = std::make_unique<TABMPSoundData10>("SndDat" + std::to_string(i), "", true);
            if (auto* f = v.Find("label")) entry->label = Text(*f, c, "label");
            if (auto* f = v.Find("name")) entry->identity = Text(*f, c, "name");
            if (auto* f = v.Find("type")) entry->type = static_cast<uint8_t>(Integer(*f, 0, 255, c, "type", &SoundTypeNames));
            entry->payload = Payload(v, folder, c, entry->identity, entry->type, false);
            names.sounds.emplace_back(entry->label, entry->identity);
            source.sounds->entries.push_back(std::move(entry));
        }
    }
    const std::vector<JsonValue>* motions = list("motions");
    if (motions) {
        for (size_t i = 0; i < motions->size(); ++i) {
            const JsonValue* name = (*motions)[i].IsObject() ? (*motions)[i].Find("name") : nullptr;
            names.motions.push_back(name && name->IsString() ? platform::Utf8ToSjis(name->text)
                                                             : std::string("NoName"));
        }
        for (size_t i = 0; i < motions->size(); ++i) {
            const JsonValue& v = (*motions)[i];
            const TContext c = top.Sub("motion " + std::to_string(i));
            CheckMembers(v, c, {"name", "layers"});
            auto motion = std::make_unique<TABMPMotion10>("", true);
            if (auto* f = v.Find("name")) motion->name = Text(*f, c, "name");
            const JsonValue* layers = v.Find("layers");
            if (layers && !layers->IsArray()) c.Fail(*layers, "field \"layers\" needs an array");
            if (layers && layers->items.size() > 255) c.Fail(*layers, "more than 255 layers");
            for (size_t l = 0; layers && l < layers->items.size(); ++l) {
                const JsonValue& lv = layers->items[l];
                const TContext lc = c.Sub("layer " + std::to_string(l));
                CheckMembers(lv, lc, {"name", "flags", "mode", "keys"});
                auto layer = std::make_unique<TABMPLayer10>("", true);
                layer->keys.clear();
                if (auto* f = lv.Find("name")) layer->name = Text(*f, lc, "name");
                if (auto* f = lv.Find("flags")) layer->flags = static_cast<uint8_t>(Integer(*f, 0, 255, lc, "flags"));
                if (auto* f = lv.Find("mode")) layer->mode = static_cast<uint8_t>(Integer(*f, 0, 255, lc, "mode", &ModeNames));
                const JsonValue* keys = lv.Find("keys");
                if (keys && !keys->IsArray()) lc.Fail(*keys, "field \"keys\" needs an array");
                if (keys && keys->items.size() > 255) lc.Fail(*keys, "more than 255 keys");
                for (size_t k = 0; keys && k < keys->items.size(); ++k) {
                    const int32_t defaultTime =
                        layer->keys.empty() ? 0
                                            : static_cast<int32_t>(static_cast<uint32_t>(layer->keys.back().time) + 1000u);
                    const TContext kc = lc.Sub("key " + std::to_string(k));
                    TAnimationKey key = KeyFromJson(keys->items[k], static_cast<int>(k), defaultTime, names, kc);
                    if (!layer->keys.empty() && key.time < layer->keys.back().time)
                        kc.Fail(keys->items[k], "keys must be in ascending time order");
                    layer->keys.push_back(key);
                }
                motion->layers.push_back(std::move(layer));
            }
            data.motions.push_back(std::move(motion));
        }
    }
    return source;
}

JsonValue SourceToJson(const TABMPData10& data, const TABMPImage10& images, const TABMPSound10& sounds)
{
    JsonValue root = JsonValue::Object();
    root.Set("name", JsonValue::String(platform::SjisToUtf8(data.name)));
    root.Set("width", JsonValue::Number(data.width));
    root.Set("height", JsonValue::Number(data.height));
    root.Set("length", JsonValue::Number(data.length));
    if (data.loopStart != 0) root.Set("loop", JsonValue::Number(data.loopStart));
    if (data.frameStep != 1) root.Set("step", JsonValue::Number(data.frameStep));
    if (!data.properties.empty())
        root.Set("properties", JsonValue::String(platform::SjisToUtf8(data.properties)));
    JsonValue motions = JsonValue::Array();
    for (const auto& motion : data.motions) {
        JsonValue m = JsonValue::Object();
        m.Set("name", JsonValue::String(platform::SjisToUtf8(motion->name)));
        JsonValue layers = JsonValue::Array();
        for (const auto& layer : motion->layers) {
            JsonValue l = JsonValue::Object();
            l.Set("name", JsonValue::String(platform::SjisToUtf8(layer->name)));
            if (layer->flags != 1) l.Set("flags", JsonValue::Number(layer->flags));
            if (layer->mode != 0) l.Set("mode", NamedValue(layer->mode, &ModeNames));
            JsonValue keys = JsonValue::Array();
            for (size_t k = 0; k < layer->keys.size(); ++k)
                keys.Push(KeyToJson(layer->keys[k], static_cast<int>(k)));
            l.Set("keys", std::move(keys));
            layers.Push(std::move(l));
        }
        m.Set("layers", std::move(layers));
        motions.Push(std::move(m));
    }
    root.Set("motions", std::move(motions));
    JsonValue imageList = JsonValue::Array();
    for (const auto& image : images.entries) {
        JsonValue i = JsonValue::Object();
        i.Set("label", JsonValue::String(platform::SjisToUtf8(image->label)));
        i.Set("name", JsonValue::String(platform::SjisToUtf8(image->identity)));
        i.Set("type", NamedValue(image->type, &ImageTypeNames));
        if (image->offsetX != 0) i.Set("x", JsonValue::Number(image->offsetX));
        if (image->offsetY != 0) i.Set("y", JsonValue::Number(image->offsetY));
        if (image->offsetZ != 0) i.Set("z", JsonValue::Number(image->offsetZ));
        imageList.Push(PayloadToJson(std::move(i), image->payload));
    }
    root.Set("images", std::move(imageList));
    JsonValue soundList = JsonValue::Array();
    for (const auto& sound : sounds.entries) {
        JsonValue s = JsonValue::Object();
        s.Set("label", JsonValue::String(platform::SjisToUtf8(sound->label)));
        s.Set("name", JsonValue::String(platform::SjisToUtf8(sound->identity)));
        s.Set("type", NamedValue(sound->type, &SoundTypeNames));
        soundList.Push(PayloadToJson(std::move(s), sound->payload));
    }
    root.Set("sounds", std::move(soundList));
    return root;
}

namespace {
constexpr std::string_view Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string Base64Encode(std::span<const uint8_t> bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t a = bytes[i];
        const uint32_t b = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        const uint32_t c = i + 2 < bytes.size() ? bytes[i + 2] : 0;
        const uint32_t word = a << 16 | b << 8 | c;
        out += Alphabet[(word >> 18) & 63];
        out += Alphabet[(word >> 12) & 63];
        out += i + 1 < bytes.size() ? Alphabet[(word >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? Alphabet[word & 63] : '=';
    }
    return out;
}

std::vector<uint8_t> Base64Decode(std::string_view text)
{
    if (text.size() % 4 != 0) throw SourceError("base64 length is not a multiple of 4");
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        uint32_t word = 0;
        int padding = 0;
        for (size_t j = 0; j < 4; ++j) {
            const char ch = text[i + j];
            uint32_t value = 0;
            if (ch == '=' && i + 4 == text.size() && j >= 2) {
                ++padding;
            } else {
                if (padding) throw SourceError("bad base64 padding");
                const size_t at = Alphabet.find(ch);
                if (at == std::string_view::npos) throw SourceError("bad base64 character");
                value = static_cast<uint32_t>(at);
            }
            word = word << 6 | value;
        }
        out.push_back(static_cast<uint8_t>(word >> 16));
        if (padding < 2) out.push_back(static_cast<uint8_t>(word >> 8));
        if (padding < 1) out.push_back(static_cast<uint8_t>(word));
    }
    return out;
}

} // namespace tsukimi::anim
