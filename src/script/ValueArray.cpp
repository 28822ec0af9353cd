#include "script/ValueArray.h"

#include "data/TextHelpers.h"
#include "script/ScriptMessages.h"

namespace tsukimi {

void TValueReporter::operator()(std::string_view head, std::string_view name) const
{
    if (!Enabled || !Report) return;
    std::string message(head);
    message += name;
    Report(message);
}

TValueArrayCustom::TValueArrayCustom(uint8_t elementType, std::string name, std::string kindName,
                                     bool isReference, int32_t ownerLevel)
    : elementType_(elementType), name_(std::move(name)), lowerName_(LowerText(name_)),
      kindName_(std::move(kindName)), isReference_(isReference), ownerLevel_(ownerLevel)
{}

bool TValueArrayCustom::ResizeArray(const TArraySizes& sizes)
{
    const int32_t dims[] = {sizes.D1, sizes.D2, sizes.D3, sizes.D4};
    int64_t product = 1;
    for (const int32_t d : dims) {
        if (d < 0) return false;
        product *= d;
        if (product > MaxElements) return false; // each factor < 2^31: no overflow
    }
    if (!SetCount(product)) return false;
    sizes_ = sizes;
    return true;
}

std::optional<int64_t> TValueArrayCustom::FlatIndexOfMany(const TSubscripts& index) const
{
    // Any overflow lies far outside the element range.
    int64_t flat = index.I4;
    const int64_t parts[][2] = {
        {sizes_.D3, index.I3}, {sizes_.D2, index.I2}, {sizes_.D1, index.I1}};
    for (const auto& [size, subscript] : parts) {
        if (__builtin_mul_overflow(flat, size, &flat)) return std::nullopt;
        if (__builtin_add_overflow(flat, subscript, &flat)) return std::nullopt;
    }
    if (!InRange(flat)) return std::nullopt;
    return flat;
}

bool TValueArrayCustom::SaveToStream(TMemoryStream& stream) const
{
    stream.WriteI32(sizes_.D1);
    stream.WriteI32(sizes_.D2);
    stream.WriteI32(sizes_.D3);
    stream.WriteI32(sizes_.D4);
    stream.WriteI32(count_);
    SaveElements(stream);
    return true;
}

bool TValueArrayCustom::LoadFromStream(TMemoryStream& stream)
{
    TArraySizes sizes;
    sizes.D1 = stream.ReadI32();
    sizes.D2 = stream.ReadI32();
    sizes.D3 = stream.ReadI32();
    sizes.D4 = stream.ReadI32();
    const int32_t count = stream.ReadI32();
    if (!ValidCount(count) || sizes.D1 < 0 || sizes.D2 < 0 || sizes.D3 < 0 || sizes.D4 < 0) {
        return false;
    }
    if (!LoadElements(stream, count)) return false;
    sizes_ = sizes;
    return true;
}

// --- Integers

TValueArrayInteger::TValueArrayInteger(std::string name, int32_t ownerLevel)
    : TValueArrayCustom(ElementInteger, std::move(name), {}, false, ownerLevel)
{}

void TValueArrayInteger::ClearElements()
{
    std::fill(items_.begin(), items_.end(), 0);
}

bool TValueArrayInteger::SetCount(int64_t count)
{
    if (!ValidCount(count)) return false;
    items_.resize(static_cast<size_t>(count), 0);
    count_ = static_cast<int32_t>(count);
    return true;
}

bool TValueArrayInteger::GetElement(int64_t flat, TReturnValue& value) const
{
    if (!InRange(flat)) return false;
    value.Kind = TValueKind::Integer;
    value.Number = items_[static_cast<size_t>(flat)];
    value.Text.clear();
    return true;
}

bool TValueArrayInteger::SetElement(int64_t flat, const TReturnValue& value)
{
    if (!InRange(flat) || value.Kind != TValueKind::Integer) return false;
    items_[static_cast<size_t>(flat)] = value.Number;
    return true;
}

void TValueArrayInteger::SaveElements(TMemoryStream& stream) const
{
    for (const int32_t v : items_)
        stream.WriteI32(v);
}

bool TValueArrayInteger::LoadElements(TMemoryStream& stream, int32_t count)
{
    stream.Require(static_cast<size_t>(count) * 4);
    std::vector<int32_t> items(static_cast<size_t>(count));
    for (int32_t& v : items)
        v = stream.ReadI32();
    items_ = std::move(items);
    count_ = count;
    return true;
}

// --- Strings

TValueArrayString::TValueArrayString(std::string name, int32_t ownerLevel)
    : TValueArrayCustom(ElementString, std::move(name), {}, false, ownerLevel)
{}

void TValueArrayString::ClearElements()
{
    for (std::string& s : items_)
        s.clear();
}

bool TValueArrayString::SetCount(int64_t count)
{
    if (!ValidCount(count)) return false;
    items_.resize(static_cast<size_t>(count));
    count_ = static_cast<int32_t>(count);
    return true;
}

bool TValueArrayString::GetElement(int64_t flat, TReturnValue& value) const
{
    if (!InRange(flat)) return false;
    value.Kind = TValueKind::String;
    value.Number = 0;
    value.Text = items_[static_cast<size_t>(flat)];
    return true;
}

bool TValueArrayString::SetElement(int64_t flat, const TReturnValue& value)
{
    if (!InRange(flat) || value.Kind != TValueKind::String) return false;
    items_[static_cast<size_t>(flat)] = value.Text;
    return true;
}

void TValueArrayString::SaveElements(TMemoryStream& stream) const
{
    for (const std::string& s : items_)
        WriteString(stream, s);
}

bool TValueArrayString::LoadElements(TMemoryStream& stream, int32_t count)
{
    stream.Require(static_cast<size_t>(count) * 2);
    std::vector<std::string> items(static_cast<size_t>(count));
    for (std::string& s : items)
        s = ReadString(stream);
    items_ = std::move(items);
    count_ = count;
    return true;
}

// --- Object names

TValueArrayObject::TValueArrayObject(std::string name, std::string kindName, bool isReference,
                                     int32_t ownerLevel, TObjectCallbacks* callbacks,
                                     const TValueReporter* reporter)
    : TValueArrayCustom(ElementObject, std::move(name), std::move(kindName), isReference,
                        ownerLevel),
      callbacks_(callbacks), reporter_(reporter)
{}

TValueArrayObject::~TValueArrayObject()
{
    TValueArrayObject::SetCount(0);
}

void TValueArrayObject::Report(std::string_view head, std::string_view name) const
{
    if (reporter_) (*reporter_)(head, name);
}

void TValueArrayObject::ClearElements()
{
    for (std::string& s : items_)
        s.clear();
}

bool TValueArrayObject::SetCount(int64_t count)
{
    if (!ValidCount(count)) return false;
    const auto newCount = static_cast<size_t>(count);
    if (Owning()) {
        for (size_t i = items_.size(); i > newCount; --i) {
            const std::string& element = items_[i - 1];
            if (!callbacks_->DeleteObject(KindName(), Name(), element)) {
                Report(script_messages::ObjectFreeFailed, element);
            }
        }
    }
    const size_t oldCount = items_.size();
    items_.resize(newCount);
    count_ = static_cast<int32_t>(count);
    if (Owning()) {
        for (size_t i = oldCount; i < newCount; ++i) {
            std::string element =
                IntToText(OwnerLevel()) + "_" + Name() + "," + IntToText(static_cast<int32_t>(i));
            if (!callbacks_->CreateObject(KindName(), Name(), element)) {
                Report(script_messages::ObjectCreateFailed, element);
            }
            items_[i] = std::move(element);
        }
    }
    return true;
}

bool TValueArrayObject::GetElement(int64_t flat, TReturnValue& value) const
{
    if (!InRange(flat)) return false;
    value.Kind = TValueKind::Object;
    value.Number = 0;
    value.Text = items_[static_cast<size_t>(flat)];
    return true;
}

bool TValueArrayObject::SetElement(int64_t flat, const TReturnValue& value)
{
    if (!InRange(flat) || value.Kind != TValueKind::Object) return false;
    items_[static_cast<size_t>(flat)] = value.Text;
    return true;
}

void TValueArrayObject::SaveElements(TMemoryStream& stream) const
{
    for (const std::string& element : items_) {
        WriteString(stream, element);
        if (Owning()) callbacks_->SaveObject(stream, KindName(), Name(), element);
    }
}

bool TValueArrayObject::LoadElements(TMemoryStream& stream, int32_t count)
{
    // Only a fresh array is read; its objects come from the stream, so
    // nothing is created or freed here.
    // A short stream leaves only the elements read so far (and so freed).
    stream.Require(static_cast<size_t>(count) * 2);
    items_.clear();
    items_.reserve(static_cast<size_t>(count));
    count_ = 0;
    for (int32_t i = 0; i < count; ++i) {
        items_.push_back(ReadString(stream));
        ++count_;
        if (Owning()) callbacks_->LoadObject(stream, KindName(), Name(), items_.back());
    }
    return true;
}

std::unique_ptr<TValueArrayCustom> CreateValueArray(uint8_t elementType, std::string name,
                                                    std::string kindName, bool isReference,
                                                    int32_t ownerLevel, TObjectCallbacks* callbacks,
                                                    const TValueReporter* reporter)
{
    switch (elementType) {
    case ElementInteger:
        return std::make_unique<TValueArrayInteger>(std::move(name), ownerLevel);
    case ElementString:
        return std::make_unique<TValueArrayString>(std::move(name), ownerLevel);
    case ElementObject:
        return std::make_unique<TValueArrayObject>(std::move(name), std::move(kindName),
                                                   isReference, ownerLevel, callbacks, reporter);
    default:
        return nullptr;
    }
}

} // namespace tsukimi
