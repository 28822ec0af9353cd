#include "script/Value.h"

#include "data/TextHelpers.h"
#include "script/ScriptMessages.h"

namespace tsukimi {

namespace {

// Level, flags, hash, type, reference flag, owner level, two empty strings.
constexpr size_t MinimumVariableBytes = 2 + 2 + 4 + 1 + 1 + 4 + 2 + 2;

} // namespace

TValue::TValue(TObjectCallbacks* callbacks, TScriptErrorReport report) : callbacks_(callbacks)
{
    reporter_.Report = std::move(report);
}

TValue::~TValue()
{
    ClearStore();
}

int TValue::FindVariable(std::string_view name, int level) const
{
    return FindVariableLower(LowerText(name), level);
}

int TValue::FindVariableLower(std::string_view lowerName, int level) const
{
    const auto it = byName_.find(lowerName);
    if (it == byName_.end()) return -1;
    for (const int index : it->second) {
        if (variables_[static_cast<size_t>(index)].Level == level) return index;
    }
    return -1;
}

void TValue::Append(TValueData data)
{
    if (variables_.size() == variables_.capacity()) {
        variables_.reserve((variables_.size() / 64 + 1) * 64);
    }
    byName_[data.Array->LowerName()].push_back(static_cast<int>(variables_.size()));
    variables_.push_back(std::move(data));
    ++generation_;
}

void TValue::Rebuild()
{
    byName_.clear();
    for (size_t i = 0; i < variables_.size(); ++i) {
        byName_[variables_[i].Array->LowerName()].push_back(static_cast<int>(i));
    }
    ++generation_;
}

bool TValue::Declare(std::string_view name, std::string_view kindName, bool isReference,
                     uint16_t flags, uint8_t elementType, int level, const TArraySizes& sizes)
{
    if (name.empty() || elementType > ElementObject) return false;
    if (FindVariable(name, level) >= 0) return false;
    TValueData data;
    data.Array = CreateValueArray(elementType, std::string(name), std::string(kindName),
                                  isReference, level, callbacks_, &reporter_);
    if (!data.Array->ResizeArray(sizes)) return false;
    data.Level = static_cast<int16_t>(level);
    data.Flags = flags;
    data.Hash = StringHash(data.Array->LowerName());
    Append(std::move(data));
    return true;
}

bool TValue::DeleteVariable(std::string_view name, int level, bool force)
{
    const int index = FindVariable(name, level);
    if (index < 0) return false;
    if (!force && !(variables_[static_cast<size_t>(index)].Flags & VariableResizable)) return false;
    // Take it out first: freeing its objects may call back into the store.
    TValueData removed = std::move(variables_[static_cast<size_t>(index)]);
    variables_.erase(variables_.begin() + index);
    Rebuild();
    return true;
}

void TValue::ClearStore()
{
    std::vector<TValueData> removed;
    removed.swap(variables_);
    Rebuild();
    // Freed newest first, as a stack of call levels unwinds.
    while (!removed.empty())
        removed.pop_back();
}

void TValue::ClearAboveLevel(int level)
{
    std::vector<TValueData> kept, removed;
    for (TValueData& data : variables_) {
        (data.Level > level ? removed : kept).push_back(std::move(data));
    }
    variables_.swap(kept);
    Rebuild();
    while (!removed.empty())
        removed.pop_back();
}

bool TValue::Locked(int index, uint16_t flag, bool force, std::string_view message) const
{
    const TValueData& data = variables_[static_cast<size_t>(index)];
    if (force || (data.Flags & flag)) return false;
    reporter_(message, data.Array->Name());
    return true;
}

bool TValue::ReadElement(int index, const TSubscripts& at, bool force, TReturnValue& value,
                         bool withText) const
{
    value.MakeInvalid();
    if (index < 0 || index >= Count()) return false;
    if (Locked(index, VariableReadable, force, script_messages::ReadLocked)) return false;
    const TValueArrayCustom& array = *variables_[static_cast<size_t>(index)].Array;
    const auto flat = array.FlatIndex(at);
    if (!flat || !array.GetElement(*flat, value)) {
        value.MakeInvalid();
        reporter_(script_messages::ReadOutOfRange, array.Name());
        return false;
    }
    if (value.Kind == TValueKind::Integer) {
        if (withText) AssignIntText(value.Text, value.Number);
    } else {
        value.Number = ScriptTextToInt(value.Text);
    }
    return true;
}

bool TValue::WriteElement(int index, const TSubscripts& at, bool force, const TReturnValue& value)
{
    if (index < 0 || index >= Count()) {
        reporter_(script_messages::NotDeclared, {});
        return false;
    }
    if (Locked(index, VariableWritable, force, script_messages::WriteLocked)) return false;
    TValueArrayCustom& array = *variables_[static_cast<size_t>(index)].Array;
    const auto kind = static_cast<TValueKind>(array.ElementType());
    const auto flat = array.FlatIndex(at);
    bool written = false;
    if (flat && value.Kind == kind) {
        written = array.SetElement(*flat, value);
    } else if (flat) {
        TReturnValue converted = value; // stored as the element type
        converted.Kind = kind;
        written = array.SetElement(*flat, converted);
    }
    if (!written) {
        reporter_(script_messages::WriteOutOfRange, array.Name());
        return false;
    }
    return true;
}

bool TValue::ResetVariable(std::string_view name, int level, bool force)
{
    const int index = FindVariable(name, level);
    if (index < 0) {
        reporter_(script_messages::NotDeclared, name);
        return false;
    }
    if (Locked(index, VariableWritable, force, script_messages::WriteLocked)) return false;
    variables_[static_cast<size_t>(index)].Array->ClearElements();
    return true;
}

bool TValue::ResizeVariable(std::string_view name, const TArraySizes& sizes, bool force, int level)
{
    const int index = FindVariable(name, level);
    if (index < 0) return false;
    if (Locked(index, VariableResizable, force, script_messages::ResizeLocked)) return false;
    return variables_[static_cast<size_t>(index)].Array->ResizeArray(sizes);
}

std::optional<TArraySizes> TValue::GetSizes(std::string_view name, int level) const
{
    const int index = FindVariable(name, level);
    if (index < 0) return std::nullopt;
    return variables_[static_cast<size_t>(index)].Array->Sizes();
}

bool TValue::ForceWrite(std::string_view name, int element, const TReturnValue& value)
{
    const int index = FindVariable(name, 0);
    if (index < 0) {
        reporter_(script_messages::NotDeclared, name);
        return false;
    }
    TSubscripts at;
    at.I1 = element;
    return WriteElement(index, at, true, value);
}

bool TValue::SetInteger(std::string_view name, int element, int32_t value)
{
    return ForceWrite(name, element, TReturnValue::IntegerText(value));
}

bool TValue::SetString(std::string_view name, int element, std::string_view value)
{
    return ForceWrite(name, element,
                      TReturnValue::String(std::string(value), ScriptTextToInt(value)));
}

bool TValue::SetObject(std::string_view name, int element, std::string_view value)
{
    return ForceWrite(name, element, TReturnValue::Object(std::string(value)));
}

bool TValue::SaveToStream(TMemoryStream& stream) const
{
    stream.WriteI32(Count());
    for (const TValueData& data : variables_) {
        const TValueArrayCustom& array = *data.Array;
        stream.WriteI16(data.Level);
        stream.WriteU16(data.Flags);
        stream.WriteU32(data.Hash);
        stream.WriteU8(array.ElementType());
        stream.WriteU8(array.IsReference() ? 1 : 0);
        stream.WriteI32(array.OwnerLevel());
        WriteString(stream, array.Name());
        WriteString(stream, array.KindName());
        array.SaveToStream(stream);
    }
    return true;
}

bool TValue::ReadVariables(TMemoryStream& stream, bool objects, std::vector<TValueData>& out,
                           bool& hasOwnedObjects)
{
    const int32_t count = stream.ReadI32();
    if (count < 0 || static_cast<uint64_t>(count) * MinimumVariableBytes > stream.Remaining()) {
        return false;
    }
    out.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        TValueData data;
        data.Level = stream.ReadI16();
        data.Flags = stream.ReadU16();
        stream.ReadU32(); // the hash is rebuilt from the name
        const uint8_t elementType = stream.ReadU8();
        const bool isReference = stream.ReadU8() != 0;
        const int32_t ownerLevel = stream.ReadI32();
        std::string name = ReadString(stream);
        std::string kindName = ReadString(stream);
        if (elementType > ElementObject) continue; // no array: dropped
        if (elementType == ElementObject && !isReference && callbacks_ && !objects) {
            hasOwnedObjects = true;
            return false;
        }
        data.Array = CreateValueArray(elementType, std::move(name), std::move(kindName),
                                      isReference, ownerLevel, callbacks_, &reporter_);
        if (!data.Array->LoadFromStream(stream)) return false;
        data.Hash = StringHash(data.Array->LowerName());
        out.push_back(std::move(data));
    }
    return true;
}

bool TValue::LoadFromStream(TMemoryStream& stream)
{
    const size_t start = stream.Position();
    std::vector<TValueData> loaded;
    bool hasOwnedObjects = false;
    bool ok = false;
    try {
        ok = ReadVariables(stream, false, loaded, hasOwnedObjects);
    } catch (const StreamError&) {
        ok = false;
    }
    if (hasOwnedObjects) {
        loaded.clear();
        ClearStore();
        stream.Seek(start);
        try {
            ok = ReadVariables(stream, true, loaded, hasOwnedObjects);
        } catch (const StreamError&) {
            ok = false;
        }
    }
    if (!ok) {
        stream.Seek(start);
        return false;
    }
    ClearStore();
    variables_ = std::move(loaded);
    Rebuild();
    return true;
}

} // namespace tsukimi
