#pragma once
// The call stack of a script thread set: routines (one per active
// subroutine call, the first for the main flow), each a stack of control
// blocks (one per open \if, \for or \case, below a first block that records
// where the routine was called from), with the routine's command targets and
// wait fields. Everything here is written into save files.
#include "data/MemoryStream.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

// Receives the limit reports (the engine's script error report).
using TScriptReport = std::function<void(std::string_view message)>;

class TScriptDataInterface
{
public:
    virtual ~TScriptDataInterface() = default;
    virtual bool SaveToStream(TMemoryStream& stream) const = 0;
    // False when the data is short or damaged.
    virtual bool LoadFromStream(TMemoryStream& stream) = 0;
};

// Block states in memory; states above 4 are skipping states.
enum class TBlockState : uint8_t {
    None = 0,
    Call = 1,
    If = 2,
    For = 3,
    Case = 4,
    IfInSkipped = 5,
    IfSkipped = 6,
    ForInSkipped = 7,
    ForSkipToEnd = 8,
    ForContinue = 9,
    CaseInSkipped = 10,
    CaseSearching = 11,
};

// The stream code of a state, and back (a code outside 0-11 is state 0).
uint8_t BlockStateCode(uint8_t state);
uint8_t BlockStateFromCode(uint8_t code);

class TScriptBlockBase : public TScriptDataInterface
{
public:
    std::string File;
    uint8_t BlockState = 0;
    std::string Label;
    int32_t LineOffset = 0;
    int32_t Column = 0;

    virtual void ClearBlock();
    bool SaveToStream(TMemoryStream& stream) const override;
    bool LoadFromStream(TMemoryStream& stream) override;
};

class TScriptBlock final : public TScriptBlockBase
{
public:
    std::array<std::string, 8> Texts;
    // The evaluator's compiled forms of Texts[0] and Texts[1] (a loop's
    // condition and step), made on first use; not saved.
    std::array<std::shared_ptr<void>, 2> Compiled;

    void ClearBlock() override;
    bool SaveToStream(TMemoryStream& stream) const override;
    bool LoadFromStream(TMemoryStream& stream) override;
};

// The result variables a \subr call keeps.
struct TScriptBlockBaseResult
{
    std::array<std::string, 16> ResultStr;
    std::array<int32_t, 16> ResultInt{};
    std::array<std::string, 16> ResultObj;
    std::string ResultBtnObj;
    std::array<int32_t, 4> ResultBtnInt{};
    std::array<std::string, 4> ResultBtnStr;
    int32_t ResultClkInt = 0;
    int32_t ResultStopInt = 0;
};

// An ordered list of children with the list operations of the call stack.
template <class Child>
class TScriptDataList : public TScriptDataInterface
{
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Null when out of range.
    Child* Item(int index) const
    {
        return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)].get() : nullptr;
    }
    Child* Top() const { return items_.empty() ? nullptr : items_.back().get(); }
    void Pop()
    {
        if (!items_.empty())
            items_.pop_back();
    }
    void Delete(int index)
    {
        if (index >= 0 && index < Count())
            items_.erase(items_.begin() + index);
    }
    // Pops until `index` is the last child; false when empty or out of range.
    bool TruncateTo(int index)
    {
        if (items_.empty() || index < 0 || index >= Count())
            return false;
        items_.resize(static_cast<size_t>(index) + 1);
        return true;
    }
    virtual void Clear() { items_.clear(); }
    virtual Child& AddNew() = 0;

    bool SaveToStream(TMemoryStream& stream) const override;
    bool LoadFromStream(TMemoryStream& stream) override;

protected:
    std::vector<std::unique_ptr<Child>> items_;
};

class TScriptRoutineBase : public TScriptDataList<TScriptBlock>
{
public:
    std::array<std::string, 16> Targets;

    // Topmost block whose state equals `state`; -1 if none.
    int FindBlock(uint8_t state) const;
    void ClearTargets();
    TScriptBlock& AddNew() override;
};

class TScriptRoutine final : public TScriptRoutineBase
{
public:
    static constexpr uint32_t ExtensionMarker = 0xE8F68A15u;
    static constexpr int BlockLimit = 1024;

    explicit TScriptRoutine(TScriptReport report = {}) : report_(std::move(report)) {}

    uint8_t WaitState = 0;
    int32_t WaitTime = 0;
    int32_t WaitTime2 = 0;
    std::string JumpLabel;
    int32_t WaitChannel = 0;
    std::string StopLabel;
    std::string StopText;
    std::unique_ptr<TScriptBlockBaseResult> SavedResults;
    uint8_t HasSavedResults = 0;
    int32_t Extra = 3; // only saved and restored

    // Reports when the routine then holds more than 1024 blocks; the block
    // is added all the same.
    TScriptBlock& AddNew() override;
    void TakeResultSnapshot();
    bool SaveToStream(TMemoryStream& stream) const override;
    bool LoadFromStream(TMemoryStream& stream) override;

private:
    TScriptReport report_;
};

class TScriptThreadBase : public TScriptDataList<TScriptRoutine>
{
public:
    explicit TScriptThreadBase(std::string name = {}, TScriptReport report = {})
        : Name(std::move(name)), report_(std::move(report))
    {
    }
    std::string Name; // not saved
    TScriptRoutine* CurrentRoutine() const { return Top(); }
    // Topmost routine whose first block's label equals `label` without
    // regard to case, counted from the top; -1 if none.
    int FindRoutineByCallLabel(std::string_view label) const;

protected:
    TScriptReport report_;
};

class TScriptThread final : public TScriptThreadBase
{
public:
    static constexpr int RoutineLimit = 1024;
    using TScriptThreadBase::TScriptThreadBase;

    // Reports when the stack then holds more than 1024 routines; the routine
    // is added all the same.
    TScriptRoutine& AddNew() override;
};

} // namespace tsukimi
