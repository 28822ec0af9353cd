#include "script/ZanSystemDataFile.h"

#include "data/BlockTransforms.h"
#include "data/MemoryStream.h"
#include "data/TextHelpers.h"
#include "script/ZanSaveData.h"

#include <algorithm>

namespace tsukimi {

namespace {

constexpr uint32_t SeedMask = 0xFFFFFF;
constexpr size_t MagicFieldSize = 16;
constexpr size_t CheckOffset = 16;

std::string_view FieldText(std::span<const uint8_t> field)
{
    const auto zero = std::find(field.begin(), field.end(), uint8_t{0});
    return {reinterpret_cast<const char*>(field.data()), static_cast<size_t>(zero - field.begin())};
}

// Size (32-bit) and that many bytes; nullopt when the size runs past the end.
std::optional<std::vector<uint8_t>> ReadSection(TMemoryStream& in)
{
    if (in.Remaining() < 4) return std::nullopt;
    const uint32_t size = in.ReadU32();
    if (size > in.Remaining()) return std::nullopt;
    return in.ReadBlock(size);
}

void WriteSection(TMemoryStream& out, std::span<const uint8_t> bytes)
{
    out.WriteU32(static_cast<uint32_t>(bytes.size()));
    out.WriteBytes(bytes);
}

} // namespace

bool BackUpSystemDataFile(platform::FileSystem& files, std::string_view name)
{
    const std::optional<std::vector<uint8_t>> bytes = files.ReadAll(name);
    if (!bytes) return false;
    return files.Replace(std::string(name) + std::string(SystemDataBackupSuffix), *bytes);
}

TZanSystemDataFile::TZanSystemDataFile(uint32_t codeKey, uint32_t maxStoreSize)
    : codeKey_(codeKey & SeedMask), maxStoreSize_(std::min(maxStoreSize, PackExpandMaxSize))
{}

std::vector<uint8_t> TZanSystemDataFile::Build(const TSystemDataPayload& payload) const
{
    TMemoryStream body;
    body.SetSize(HeaderSize);
    body.WriteChars(Magic);
    body.Seek(CheckOffset);
    body.WriteBytes(MakeSaveCheckField(codeKey_));
    body.Seek(HeaderSize);
    std::vector<uint8_t> store = PackCompress(payload.SystemStore);
    BlockScramble(store, false, codeKey_);
    WriteSection(body, store);
    WriteSection(body, payload.FileLog);
    WriteSection(body, payload.ReadTextLog);
    TMemoryStream file;
    WriteChecked(body.Bytes(), file);
    return file.TakeBytes();
}

std::optional<TSystemDataPayload> TZanSystemDataFile::Parse(std::span<const uint8_t> file) const
{
    try {
        TMemoryStream in(file.data(), file.size());
        std::optional<TMemoryStream> body = ReadChecked(in);
        if (!body || body->Remaining() < HeaderSize) return std::nullopt;
        const std::span<const uint8_t> header = body->Bytes().first(HeaderSize);
        if (FieldText(header.first(MagicFieldSize)) != Magic) return std::nullopt;
        if (!SaveCheckFieldMatches(header.subspan(CheckOffset, SaveCheckFieldSize), codeKey_))
            return std::nullopt;
        body->Seek(HeaderSize);
        std::optional<std::vector<uint8_t>> store = ReadSection(*body);
        if (!store) return std::nullopt;
        std::optional<std::vector<uint8_t>> fileLog = ReadSection(*body);
        if (!fileLog) return std::nullopt;
        std::optional<std::vector<uint8_t>> readTextLog = ReadSection(*body);
        if (!readTextLog) return std::nullopt;
        BlockScramble(*store, true, codeKey_);
        std::optional<std::vector<uint8_t>> expanded = PackExpand(*store, false, maxStoreSize_);
        if (!expanded) return std::nullopt;
        return TSystemDataPayload{std::move(*expanded), std::move(*fileLog),
                                  std::move(*readTextLog)};
    } catch (const StreamError&) {
        return std::nullopt; // every size is checked first; the last line of defence
    }
}

std::optional<TSystemDataPayload> TZanSystemDataFile::ReadFromFile(platform::FileSystem& files,
                                                                   std::string_view name)
{
    if (!files.Exists(name)) return std::nullopt;
    const std::optional<std::vector<uint8_t>> bytes = files.ReadAll(name);
    std::optional<TSystemDataPayload> payload;
    if (bytes) payload = Parse(*bytes);
    if (payload) {
        if (LowerText(pendingBackup_) == LowerText(name)) pendingBackup_.clear();
    } else {
        pendingBackup_ = std::string(name);
    }
    return payload;
}

bool TZanSystemDataFile::WriteToFile(platform::FileSystem& files, std::string_view name,
                                     const TSystemDataPayload& payload)
{
    const bool keepOld = !pendingBackup_.empty() && LowerText(pendingBackup_) == LowerText(name);
    if (keepOld && files.Exists(name)) {
        if (!BackUpSystemDataFile(files, name)) return false;
    }
    if (keepOld) pendingBackup_.clear();
    std::vector<uint8_t> bytes;
    try {
        bytes = Build(payload);
    } catch (const StreamError&) {
        return false; // payloads too large for one stream
    }
    return files.Replace(name, bytes);
}

} // namespace tsukimi
