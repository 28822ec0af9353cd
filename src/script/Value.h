#pragma once
// A store of script variables: the system store, the game store or the
// local store of the call levels. Names compare without case; a variable is
// identified by its name and level.
#include "data/MemoryStream.h"
#include "script/ValueData.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tsukimi {

class TValue
{
public:
    // `callbacks` (may be null) is given to every object array of the store.
    explicit TValue(TObjectCallbacks* callbacks = nullptr, TScriptErrorReport report = {});
    ~TValue();
    TValue(const TValue&) = delete;
    TValue& operator=(const TValue&) = delete;

    void SetErrorReport(TScriptErrorReport report) { reporter_.Report = std::move(report); }
    void SetReportErrors(bool on) { reporter_.Enabled = on; }
    bool ReportErrors() const { return reporter_.Enabled; }

    // Index of the first variable of that name and level, or -1.
    int FindVariable(std::string_view name, int level) const;
    int FindVariableLower(std::string_view lowerName, int level) const;

    // False (no message) for an empty name, a name already declared at the
    // level, an element type other than 0-2, or sizes that give no array.
    bool Declare(std::string_view name, std::string_view kindName, bool isReference, uint16_t flags,
                 uint8_t elementType, int level, const TArraySizes& sizes);
    bool DeleteVariable(std::string_view name, int level, bool force);
    void ClearStore();
    void ClearAboveLevel(int level);

    // On failure `value` becomes the invalid value. Without `withText` an
    // integer's text is left as it was (the evaluator fills it when needed).
    bool ReadElement(int index, const TSubscripts& at, bool force, TReturnValue& value,
                     bool withText = true) const;
    // The value is turned into the element type first.
    bool WriteElement(int index, const TSubscripts& at, bool force, const TReturnValue& value);
    bool ResetVariable(std::string_view name, int level, bool force);
    bool ResizeVariable(std::string_view name, const TArraySizes& sizes, bool force, int level);
    std::optional<TArraySizes> GetSizes(std::string_view name, int level) const;

    // Force-writes element `element` of the level-0 variable `name`.
    bool SetInteger(std::string_view name, int element, int32_t value);
    bool SetString(std::string_view name, int element, std::string_view value);
    bool SetObject(std::string_view name, int element, std::string_view value);

    bool SaveToStream(TMemoryStream& stream) const;
    // False for a short or bad stream. Without owned objects in the stream the
    // store is then as it was; a stream with owned objects is read after the
    // store has been cleared (their names must be free), and on failure the
    // store is left empty.
    bool LoadFromStream(TMemoryStream& stream);

    int Count() const { return static_cast<int>(variables_.size()); }
    const TValueData& Variable(int index) const { return variables_[static_cast<size_t>(index)]; }
    // Changes whenever variables are added or removed; look-ups cached
    // against an older generation must be repeated.
    uint64_t Generation() const { return generation_; }

private:
    bool Locked(int index, uint16_t flag, bool force, std::string_view message) const;
    bool ForceWrite(std::string_view name, int element, const TReturnValue& value);
    void Rebuild();
    void Append(TValueData data);
    // Reads the variable list; objects are loaded only when `objects`.
    bool ReadVariables(TMemoryStream& stream, bool objects, std::vector<TValueData>& out,
                       bool& hasOwnedObjects);

    TObjectCallbacks* callbacks_;
    TValueReporter reporter_;
    std::vector<TValueData> variables_;
    struct NameHash
    {
        using is_transparent = void;
        size_t operator()(std::string_view text) const
        {
            return std::hash<std::string_view>{}(text);
        }
    };
    // Lower-cased name -> indexes in declaration order.
    std::unordered_map<std::string, std::vector<int>, NameHash, std::equal_to<>> byName_;
    uint64_t generation_ = 0;
};

} // namespace tsukimi
