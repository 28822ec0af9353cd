#pragma once
// The element arrays of script variables: integers, strings and object names,
// up to four dimensions laid out flat. Arrays of owned objects create and
// free their objects through the object manager's callbacks.
#include "data/MemoryStream.h"
#include "script/ReturnValue.h"
#include "script/ScriptSettings.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

// Filled by the object manager. Element names are "<level>_<name>,<index>".
class TObjectCallbacks
{
public:
    virtual ~TObjectCallbacks() = default;
    virtual bool CreateObject(std::string_view kindName, std::string_view arrayName,
                              std::string_view elementName) = 0;
    virtual bool DeleteObject(std::string_view kindName, std::string_view arrayName,
                              std::string_view elementName) = 0;
    virtual void SaveObject(TMemoryStream& stream, std::string_view kindName,
                            std::string_view arrayName, std::string_view elementName) = 0;
    virtual void LoadObject(TMemoryStream& stream, std::string_view kindName,
                            std::string_view arrayName, std::string_view elementName) = 0;
};

// A store's error report with its on/off switch.
struct TValueReporter
{
    TScriptErrorReport Report;
    bool Enabled = true;

    void operator()(std::string_view head, std::string_view name) const;
};

struct TArraySizes
{
    int32_t D1 = 1, D2 = 1, D3 = 1, D4 = 1;
};

enum : uint8_t { ElementInteger = 0, ElementString = 1, ElementObject = 2 };

class TValueArrayCustom
{
public:
    // Element counts above this are refused.
    static constexpr int64_t MaxElements = 16777216;

    TValueArrayCustom(uint8_t elementType, std::string name, std::string kindName, bool isReference,
                      int32_t ownerLevel);
    virtual ~TValueArrayCustom() = default;
    TValueArrayCustom(const TValueArrayCustom&) = delete;
    TValueArrayCustom& operator=(const TValueArrayCustom&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& LowerName() const { return lowerName_; }
    const std::string& KindName() const { return kindName_; }
    uint8_t ElementType() const { return elementType_; }
    int32_t Count() const { return count_; }
    bool IsReference() const { return isReference_; }
    int32_t OwnerLevel() const { return ownerLevel_; }
    const TArraySizes& Sizes() const { return sizes_; }

    virtual void ClearElements() = 0;
    // False (nothing changed) for a negative count or one above MaxElements.
    virtual bool SetCount(int64_t count) = 0;
    virtual bool GetElement(int64_t flat, TReturnValue& value) const = 0;
    // False when out of range or when the value's kind is not the element type.
    virtual bool SetElement(int64_t flat, const TReturnValue& value) = 0;
    // Sizes, count and elements.
    virtual bool SaveToStream(TMemoryStream& stream) const;
    // Throws StreamError for a short stream; false for bad counts.
    virtual bool LoadFromStream(TMemoryStream& stream);

    // Stores the sizes and sets the count to their product; elements keep
    // their flat positions. False (nothing changed) for a negative size or
    // a product above MaxElements.
    bool ResizeArray(const TArraySizes& sizes);
    // i1 + D1 * (i2 + D2 * (i3 + D3 * i4)); nullopt outside 0 .. Count - 1.
    std::optional<int64_t> FlatIndex(const TSubscripts& index) const
    {
        // One-dimensional use is by far the most common.
        if ((index.I2 | index.I3 | index.I4) == 0) {
            if (index.I1 < 0 || index.I1 >= count_) return std::nullopt;
            return index.I1;
        }
        return FlatIndexOfMany(index);
    }

protected:
    std::optional<int64_t> FlatIndexOfMany(const TSubscripts& index) const;
    bool InRange(int64_t flat) const { return flat >= 0 && flat < count_; }
    static bool ValidCount(int64_t count) { return count >= 0 && count <= MaxElements; }
    virtual void SaveElements(TMemoryStream& stream) const = 0;
    // Reads `count` elements (already checked against the cap).
    virtual bool LoadElements(TMemoryStream& stream, int32_t count) = 0;

    int32_t count_ = 0;

private:
    uint8_t elementType_;
    std::string name_, lowerName_, kindName_;
    bool isReference_;
    int32_t ownerLevel_;
    TArraySizes sizes_{0, 0, 0, 0};
};

class TValueArrayInteger final : public TValueArrayCustom
{
public:
    TValueArrayInteger(std::string name, int32_t ownerLevel);
    void ClearElements() override;
    bool SetCount(int64_t count) override;
    bool GetElement(int64_t flat, TReturnValue& value) const override;
    bool SetElement(int64_t flat, const TReturnValue& value) override;

private:
    void SaveElements(TMemoryStream& stream) const override;
    bool LoadElements(TMemoryStream& stream, int32_t count) override;
    std::vector<int32_t> items_;
};

class TValueArrayString final : public TValueArrayCustom
{
public:
    TValueArrayString(std::string name, int32_t ownerLevel);
    void ClearElements() override;
    bool SetCount(int64_t count) override;
    bool GetElement(int64_t flat, TReturnValue& value) const override;
    bool SetElement(int64_t flat, const TReturnValue& value) override;

private:
    void SaveElements(TMemoryStream& stream) const override;
    bool LoadElements(TMemoryStream& stream, int32_t count) override;
    std::vector<std::string> items_;
};

// Object names. Unless it is a reference array, it owns its objects: growing
// creates "<OwnerLevel>_<Name>,<index>" through CreateObject, shrinking (and
// destruction) frees through DeleteObject.
class TValueArrayObject final : public TValueArrayCustom
{
public:
    TValueArrayObject(std::string name, std::string kindName, bool isReference, int32_t ownerLevel,
                      TObjectCallbacks* callbacks, const TValueReporter* reporter);
    ~TValueArrayObject() override;
    void ClearElements() override;
    bool SetCount(int64_t count) override;
    bool GetElement(int64_t flat, TReturnValue& value) const override;
    bool SetElement(int64_t flat, const TReturnValue& value) override;

private:
    bool Owning() const { return !IsReference() && callbacks_ != nullptr; }
    void Report(std::string_view head, std::string_view name) const;
    void SaveElements(TMemoryStream& stream) const override;
    bool LoadElements(TMemoryStream& stream, int32_t count) override;

    std::vector<std::string> items_;
    TObjectCallbacks* callbacks_;
    const TValueReporter* reporter_;
};

// An empty array of the element type (0-2); null for another type.
std::unique_ptr<TValueArrayCustom> CreateValueArray(uint8_t elementType, std::string name,
                                                    std::string kindName, bool isReference,
                                                    int32_t ownerLevel, TObjectCallbacks* callbacks,
                                                    const TValueReporter* reporter);

} // namespace tsukimi
