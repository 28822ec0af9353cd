#include "script/ScriptCallStack.h"

#include "data/TextHelpers.h"

namespace tsukimi {
namespace {

// "ブロックスタックが限界値を超えました。"
constexpr char kBlockLimit[] = "\x83u\x83\x8d\x83""b\x83N\x83X\x83^\x83""b\x83N\x82\xaa\x8c\xc0\x8a""E\x92l\x82\xf0"
                               "\x92\xb4\x82\xa6\x82\xdc\x82\xb5\x82\xbd\x81""B";
// "サブルーチンスタックが限界値を超えました。"
constexpr char kRoutineLimit[] = "\x83T\x83u\x83\x8b\x81[\x83`\x83\x93\x83X\x83^\x83""b\x83N\x82\xaa\x8c\xc0\x8a""E"
                                 "\x92l\x82\xf0\x92\xb4\x82\xa6\x82\xdc\x82\xb5\x82\xbd\x81""B";

constexpr uint8_t kStateCodes[12] = {0, 11, 2, 5, 9, 1, 3, 4, 6, 7, 8, 10};

// The smallest stream a child can take, so a count from a file can be
// checked against what remains before anything is appended.
constexpr size_t kMinBlockBytes = 2 + 1 + 2 + 4 + 4;
constexpr size_t kMinRoutineBytes = 4 + 16 * 2 + 1 + 4 + 4 + 2 + 4 + 2 + 2;

template <class Child>
size_t MinimumBytes();
template <>
size_t MinimumBytes<TScriptBlock>()
{
    return kMinBlockBytes + 8 * 2;
}
template <>
size_t MinimumBytes<TScriptRoutine>()
{
    return kMinRoutineBytes;
}

} // namespace

uint8_t BlockStateCode(uint8_t state)
{
    return state < 12 ? kStateCodes[state] : 0;
}

uint8_t BlockStateFromCode(uint8_t code)
{
    for (uint8_t state = 0; state < 12; ++state)
        if (kStateCodes[state] == code)
            return state;
    return 0;
}

void TScriptBlockBase::ClearBlock()
{
    File.clear();
    BlockState = 0;
    Label.clear();
    LineOffset = 0;
    Column = 0;
}

bool TScriptBlockBase::SaveToStream(TMemoryStream& stream) const
{
    WriteString(stream, File);
    stream.WriteU8(BlockStateCode(BlockState));
    WriteString(stream, Label);
    stream.WriteI32(LineOffset);
    stream.WriteI32(Column);
    return true;
}

bool TScriptBlockBase::LoadFromStream(TMemoryStream& stream)
{
    try {
        File = ReadString(stream);
        BlockState = BlockStateFromCode(stream.ReadU8());
        Label = ReadString(stream);
        LineOffset = stream.ReadI32();
        Column = stream.ReadI32();
        return true;
    } catch (const StreamError&) {
        return false;
    }
}

void TScriptBlock::ClearBlock()
{
    TScriptBlockBase::ClearBlock();
    for (auto& text : Texts)
        text.clear();
    Compiled = {};
}

bool TScriptBlock::SaveToStream(TMemoryStream& stream) const
{
    TScriptBlockBase::SaveToStream(stream);
    for (const auto& text : Texts)
        WriteString(stream, text);
    return true;
}

bool TScriptBlock::LoadFromStream(TMemoryStream& stream)
{
    if (!TScriptBlockBase::LoadFromStream(stream))
        return false;
    Compiled = {};
    try {
        for (auto& text : Texts)
            text = ReadString(stream);
        return true;
    } catch (const StreamError&) {
        return false;
    }
}

template <class Child>
bool TScriptDataList<Child>::SaveToStream(TMemoryStream& stream) const
{
    stream.WriteU32(static_cast<uint32_t>(items_.size()));
    for (const auto& item : items_)
        if (!item->SaveToStream(stream))
            return false;
    return true;
}

template <class Child>
bool TScriptDataList<Child>::LoadFromStream(TMemoryStream& stream)
{
    Clear();
    uint32_t count;
    try {
        count = stream.ReadU32();
    } catch (const StreamError&) {
        return false;
    }
    // A count the rest of the stream cannot hold is damage, found before
    // anything is appended.
    if (count > stream.Remaining() / MinimumBytes<Child>())
        return false;
    for (uint32_t i = 0; i < count; ++i)
        if (!AddNew().LoadFromStream(stream))
            return false;
    return true;
}

template class TScriptDataList<TScriptBlock>;
template class TScriptDataList<TScriptRoutine>;

int TScriptRoutineBase::FindBlock(uint8_t state) const
{
    for (int i = Count() - 1; i >= 0; --i)
        if (items_[static_cast<size_t>(i)]->BlockState == state)
            return i;
    return -1;
}

void TScriptRoutineBase::ClearTargets()
{
    for (auto& target : Targets)
        target.clear();
}

TScriptBlock& TScriptRoutineBase::AddNew()
{
    items_.push_back(std::make_unique<TScriptBlock>());
    return *items_.back();
}

TScriptBlock& TScriptRoutine::AddNew()
{
    TScriptBlock& block = TScriptRoutineBase::AddNew();
    if (Count() > BlockLimit && report_)
        report_(kBlockLimit);
    return block;
}

void TScriptRoutine::TakeResultSnapshot()
{
    SavedResults = std::make_unique<TScriptBlockBaseResult>();
    HasSavedResults = 1;
}

bool TScriptRoutine::SaveToStream(TMemoryStream& stream) const
{
    if (!TScriptRoutineBase::SaveToStream(stream))
        return false;
    for (const auto& target : Targets)
        WriteString(stream, target);
    stream.WriteU8(WaitState);
    stream.WriteI32(WaitTime);
    stream.WriteI32(WaitTime2);
    WriteString(stream, JumpLabel);
    stream.WriteI32(WaitChannel);
    WriteString(stream, StopLabel);
    WriteString(stream, StopText);
    stream.WriteU32(ExtensionMarker);
    stream.WriteI32(Extra);
    const bool saved = HasSavedResults == 1 && SavedResults;
    stream.WriteU8(saved ? 1 : 0);
    if (!saved)
        return true;
    const TScriptBlockBaseResult& r = *SavedResults;
    for (int32_t v : r.ResultInt)
        stream.WriteI32(v);
    for (const auto& s : r.ResultStr)
        WriteString(stream, s);
    for (const auto& s : r.ResultObj)
        WriteString(stream, s);
    WriteString(stream, r.ResultBtnObj);
    for (int32_t v : r.ResultBtnInt)
        stream.WriteI32(v);
    for (const auto& s : r.ResultBtnStr)
        WriteString(stream, s);
    stream.WriteI32(r.ResultClkInt);
    stream.WriteI32(r.ResultStopInt);
    return true;
}

bool TScriptRoutine::LoadFromStream(TMemoryStream& stream)
{
    if (!TScriptRoutineBase::LoadFromStream(stream))
        return false;
    try {
        for (auto& target : Targets)
            target = LowerText(ReadString(stream));
        WaitState = stream.ReadU8();
        WaitTime = stream.ReadI32();
        WaitTime2 = stream.ReadI32();
        JumpLabel = ReadString(stream);
        WaitChannel = stream.ReadI32();
        StopLabel = ReadString(stream);
        StopText = ReadString(stream);
        Extra = 3;
        HasSavedResults = 0;
        SavedResults.reset();
        // Files written before the extension end here.
        const size_t mark = stream.Position();
        if (stream.Remaining() < 4 || stream.ReadU32() != ExtensionMarker) {
            stream.Seek(mark);
            return true;
        }
        Extra = stream.ReadI32();
        if (stream.ReadU8() != 1)
            return true;
        auto r = std::make_unique<TScriptBlockBaseResult>();
        for (int32_t& v : r->ResultInt)
            v = stream.ReadI32();
        for (auto& s : r->ResultStr)
            s = ReadString(stream);
        for (auto& s : r->ResultObj)
            s = ReadString(stream);
        r->ResultBtnObj = ReadString(stream);
        for (int32_t& v : r->ResultBtnInt)
            v = stream.ReadI32();
        for (auto& s : r->ResultBtnStr)
            s = ReadString(stream);
        r->ResultClkInt = stream.ReadI32();
        r->ResultStopInt = stream.ReadI32();
        SavedResults = std::move(r);
        HasSavedResults = 1;
        return true;
    } catch (const StreamError&) {
        return false;
    }
}

int TScriptThreadBase::FindRoutineByCallLabel(std::string_view label) const
{
    for (int i = Count() - 1; i >= 0; --i) {
        const TScriptRoutine& routine = *items_[static_cast<size_t>(i)];
        const TScriptBlock* first = routine.Item(0);
        if (first && SameTextLower(first->Label, label) == 0)
            return i;
    }
    return -1;
}

TScriptRoutine& TScriptThread::AddNew()
{
    items_.push_back(std::make_unique<TScriptRoutine>(report_));
    if (Count() > RoutineLimit && report_)
        report_(kRoutineLimit);
    return *items_.back();
}

} // namespace tsukimi
