#include "script/ZanSaveData.h"

#include "data/BlockTransforms.h"
#include "data/TextHelpers.h"
#include "script/SaveStreamHelpers.h"
#include "script/SaveThumbnail.h"

#include <algorithm>
#include <cstring>

namespace tsukimi {

namespace {

constexpr uint32_t SeedMask = 0xFFFFFF;
constexpr size_t MagicFieldSize = 16;
constexpr size_t ScrambledOffset = 16;
constexpr size_t CompressedOffset = 17;
constexpr size_t DateOffset = 18;
constexpr size_t CheckOffset = 666;
constexpr size_t VersionOffset = 698;
constexpr size_t DescriptionField = TZanSaveData::DescriptionCapacity + 1;
constexpr std::array<size_t, TZanSaveData::DescriptionCount> DescriptionOffsets = {
    26, 154, 282, 410, 538, 702, 830};

// The text up to the first zero byte of a fixed field.
std::string_view FieldText(std::span<const uint8_t> field)
{
    const auto zero = std::find(field.begin(), field.end(), uint8_t{0});
    return {reinterpret_cast<const char*>(field.data()), static_cast<size_t>(zero - field.begin())};
}

const std::string& EmptyText()
{
    static const std::string empty;
    return empty;
}

// Everything a read takes from a file, committed only when all of it is good.
struct TParsedSave
{
    bool scrambled = false, compressed = false;
    double date = 0.0;
    uint32_t version = 0;
    TZanSaveData::TDescriptions descriptions;
    std::vector<uint8_t> thumbnailBytes;
    std::unique_ptr<TARGB8888> thumbnail;
    std::optional<std::vector<uint8_t>> body;
};

bool ParseHeader(TMemoryStream& in, uint32_t seed, TParsedSave& out)
{
    if (in.Remaining() < TZanSaveData::HeaderSize) return false;
    TMemoryStream header(in.ReadBlock(TZanSaveData::HeaderSize));
    const std::span<const uint8_t> bytes = header.Bytes();
    if (FieldText(bytes.first(MagicFieldSize)) != TZanSaveData::Magic) return false;
    if (!SaveCheckFieldMatches(bytes.subspan(CheckOffset, SaveCheckFieldSize), seed)) return false;
    header.Seek(VersionOffset);
    out.version = header.ReadU32();
    if (out.version >= TZanSaveData::VersionLimit) return false;
    out.scrambled = bytes[ScrambledOffset] != 0;
    out.compressed = bytes[CompressedOffset] != 0;
    header.Seek(DateOffset);
    out.date = header.ReadDouble();
    for (size_t i = 0; i < TZanSaveData::DescriptionCount; ++i) {
        header.Seek(DescriptionOffsets[i]);
        out.descriptions[i] = ReadShortString(header, TZanSaveData::DescriptionCapacity);
    }
    return true;
}

// Size (32-bit) and that many bytes; false when the size runs past the end.
bool ReadSection(TMemoryStream& in, bool keep, std::vector<uint8_t>& bytes)
{
    if (in.Remaining() < 4) return false;
    const uint32_t size = in.ReadU32();
    if (size > in.Remaining()) return false;
    if (keep)
        bytes = in.ReadBlock(size);
    else
        in.Skip(size);
    return true;
}

bool UnpackBody(std::vector<uint8_t>& body, const TParsedSave& save, uint32_t seed,
                uint32_t maxSize)
{
    if (save.scrambled) BlockScramble(body, true, seed);
    if (save.compressed) {
        std::optional<std::vector<uint8_t>> expanded = PackExpand(body, false, maxSize);
        if (!expanded) return false;
        body = std::move(*expanded);
    }
    return body.size() <= maxSize;
}

bool ParseSave(TMemoryStream& in, uint32_t seed, uint32_t maxBodySize, bool wantThumbnail,
               bool wantBody, TParsedSave& out)
{
    if (!ParseHeader(in, seed, out)) return false;
    if (!ReadSection(in, wantThumbnail, out.thumbnailBytes)) return false;
    if (!out.thumbnailBytes.empty()) out.thumbnail = DecodeThumbnailBmp(out.thumbnailBytes);
    std::vector<uint8_t> body;
    if (!ReadSection(in, wantBody, body)) return false;
    if (wantBody) {
        if (!UnpackBody(body, out, seed, maxBodySize)) return false;
        out.body = std::move(body);
    }
    return true;
}

} // namespace

std::array<uint8_t, SaveCheckFieldSize> MakeSaveCheckField(uint32_t codeKey)
{
    std::array<uint8_t, SaveCheckFieldSize> field{};
    std::memcpy(field.data(), SaveCheckText.data(), SaveCheckFieldSize);
    BlockScramble(field, false, codeKey & SeedMask);
    return field;
}

bool SaveCheckFieldMatches(std::span<const uint8_t> field, uint32_t codeKey)
{
    if (field.size() != SaveCheckFieldSize) return false;
    std::array<uint8_t, SaveCheckFieldSize> plain{};
    std::copy(field.begin(), field.end(), plain.begin());
    BlockScramble(plain, true, codeKey & SeedMask);
    return std::memcmp(plain.data(), SaveCheckText.data(), SaveCheckFieldSize) == 0;
}

std::string CutDescriptionText(std::string_view text)
{
    size_t end = 0;
    while (end < text.size() && end < TZanSaveData::DescriptionCut)
        end += IsLeadByte(text[end]) ? 2 : 1;
    return std::string(text.substr(0, std::min(end, text.size())));
}

TZanSaveData::TZanSaveData(uint32_t codeKey, uint32_t maxBodySize)
    : codeKey_(codeKey & SeedMask), maxBodySize_(std::min(maxBodySize, PackExpandMaxSize))
{}

TZanSaveData::TZanSaveData(TZanSaveData&&) noexcept = default;
TZanSaveData& TZanSaveData::operator=(TZanSaveData&&) noexcept = default;
TZanSaveData::~TZanSaveData() = default;

bool TZanSaveData::ReadFromFile(platform::FileSystem& files, std::string_view name,
                                bool wantThumbnail, bool wantBody)
{
    std::optional<std::vector<uint8_t>> bytes = files.ReadAll(name);
    if (!bytes) return false;
    try {
        TMemoryStream stream(std::move(*bytes));
        return ReadFromStream(stream, wantThumbnail, wantBody);
    } catch (const StreamError&) {
        return false; // larger than a stream may be
    }
}

bool TZanSaveData::ReadFromStream(TMemoryStream& stream, bool wantThumbnail, bool wantBody)
{
    const size_t start = stream.Position();
    TParsedSave parsed;
    try {
        std::optional<TMemoryStream> payload = ReadChecked(stream);
        if (payload &&
            ParseSave(*payload, codeKey_, maxBodySize_, wantThumbnail, wantBody, parsed)) {
            scrambled_ = parsed.scrambled;
            compressed_ = parsed.compressed;
            date_ = parsed.date;
            version_ = parsed.version;
            descriptions_ = std::move(parsed.descriptions);
            thumbnailBytes_ = std::move(parsed.thumbnailBytes);
            thumbnail_ = std::move(parsed.thumbnail);
            body_ = std::move(parsed.body);
            return true;
        }
    } catch (const StreamError&) {
        // Every size is checked first; kept as the last line of defence.
    }
    stream.Seek(start);
    return false;
}

std::vector<uint8_t> TZanSaveData::HeaderBytes(bool scramble, bool compress) const
{
    TMemoryStream header;
    header.SetSize(HeaderSize);
    header.WriteChars(Magic);
    header.Seek(ScrambledOffset);
    header.WriteU8(scramble ? 1 : 0);
    header.WriteU8(compress ? 1 : 0);
    header.WriteDouble(date_);
    for (size_t i = 0; i < DescriptionCount; ++i) {
        header.Seek(DescriptionOffsets[i]);
        WriteShortString(header, CutDescriptionText(descriptions_[i]), DescriptionCapacity);
    }
    header.Seek(CheckOffset);
    header.WriteBytes(MakeSaveCheckField(codeKey_));
    header.WriteU32(CurrentVersion);
    return header.TakeBytes();
}

std::vector<uint8_t> TZanSaveData::PackBody(bool scramble, bool compress) const
{
    std::vector<uint8_t> body = compress ? PackCompress(*body_) : *body_;
    if (scramble) BlockScramble(body, false, codeKey_);
    return body;
}

bool TZanSaveData::WriteToStream(TMemoryStream& stream, bool scramble, bool compress) const
{
    if (!body_) return false;
    const std::vector<uint8_t> body = PackBody(scramble, compress);
    TMemoryStream payload;
    payload.WriteBytes(HeaderBytes(scramble, compress));
    payload.WriteU32(static_cast<uint32_t>(thumbnailBytes_.size()));
    payload.WriteBytes(thumbnailBytes_);
    payload.WriteU32(static_cast<uint32_t>(body.size()));
    payload.WriteBytes(body);
    WriteChecked(payload.Bytes(), stream);
    return true;
}

std::vector<uint8_t> TZanSaveData::FileBytes(bool scramble, bool compress) const
{
    TMemoryStream file;
    if (!WriteToStream(file, scramble, compress)) return {};
    return file.TakeBytes();
}

bool TZanSaveData::WriteToFile(platform::FileSystem& files, std::string_view name, bool scramble,
                               bool compress) const
{
    if (!body_) return false;
    try {
        return files.Replace(name, FileBytes(scramble, compress));
    } catch (const StreamError&) {
        return false; // a body too large for one stream
    }
}

void TZanSaveData::SetHeader(std::span<const std::string> texts)
{
    for (size_t i = 0; i < DescriptionCount; ++i)
        descriptions_[i] = i < texts.size() ? CutDescriptionText(texts[i]) : std::string();
}

void TZanSaveData::SetThumbnail(const TARGB8888& picture)
{
    SetThumbnailBytes(EncodeThumbnailBmp(picture));
}

void TZanSaveData::SetThumbnailBytes(std::vector<uint8_t> bitmapFile)
{
    thumbnailBytes_ = std::move(bitmapFile);
    thumbnail_ = thumbnailBytes_.empty() ? nullptr : DecodeThumbnailBmp(thumbnailBytes_);
}

void TZanSaveData::ClearThumbnail()
{
    thumbnailBytes_.clear();
    thumbnail_.reset();
}

const std::string& TZanSaveData::Description(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= DescriptionCount) return EmptyText();
    return descriptions_[static_cast<size_t>(index)];
}

std::span<const uint8_t> TZanSaveData::Body() const
{
    if (!body_) return {};
    return *body_;
}

TMemoryStream TZanSaveData::TakeBody()
{
    TMemoryStream stream(body_ ? std::move(*body_) : std::vector<uint8_t>{});
    body_.reset();
    return stream;
}

} // namespace tsukimi
