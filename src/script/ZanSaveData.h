#pragma once
// A save file: the checksummed wrapper (WriteChecked) around
//   - the 1024-byte header:
//       0  16  magic "ZANSAVE110", zero-padded
//      16   1  body scrambled (1) or not (0)
//      17   1  body compressed (1) or not (0)
//      18   8  date: a double, days since 1899-12-30 (see SaveDate.h)
//      26 640  description texts 0-4, short strings of capacity 127
//     666  32  check field: the check text, BlockScramble-encoded
//     698   4  format version (written 4, accepted below 5)
//     702 256  description texts 5-6
//     958  66  zero
//   - the thumbnail section: size (32-bit, 0 = none), then a 15-bit bitmap
//     file (SaveThumbnail.h);
//   - the body section: size (32-bit), then the body, PackCompress-ed when
//     compressed and then BlockScramble-encoded when scrambled.
// The scrambling seed is the game's CodeKey (its low 24 bits).
//
// The body itself (call stack, reader state, stores, ...) is built and read
// by the interpreter; here it is opaque bytes.
#include "data/MemoryStream.h"
#include "graphics/ARGB8888.h"
#include "platform/FileSystem.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

// The fixed text whose scrambled form is the check field of save and
// system data headers.
inline constexpr std::string_view SaveCheckText = "m4xk2pz7rb9tqc3nv6hd8sj1wf5ly0ga";
inline constexpr size_t SaveCheckFieldSize = 32;

// The check field for a seed (the check text, BlockScramble-encoded).
std::array<uint8_t, SaveCheckFieldSize> MakeSaveCheckField(uint32_t codeKey);
// True when `field` (32 bytes) decodes to the check text under that seed.
bool SaveCheckFieldMatches(std::span<const uint8_t> field, uint32_t codeKey);

// A description text as the header keeps it: cut before byte 122, except
// that a two-byte character starting at byte 121 is kept whole (123 bytes).
std::string CutDescriptionText(std::string_view text);

class TZanSaveData
{
public:
    static constexpr std::string_view Magic = "ZANSAVE110";
    static constexpr size_t HeaderSize = 1024;
    static constexpr size_t DescriptionCount = 7;
    static constexpr size_t DescriptionCapacity = 127;
    static constexpr size_t DescriptionCut = 122;
    static constexpr uint32_t CurrentVersion = 4;
    // Files of this version or later are refused.
    static constexpr uint32_t VersionLimit = 5;
    // Largest body a save may expand to (PackExpand allows more).
    static constexpr uint32_t DefaultMaxBodySize = uint32_t{128} << 20;

    using TDescriptions = std::array<std::string, DescriptionCount>;

    // `codeKey`: the game setting CodeKey; only its low 24 bits are used.
    explicit TZanSaveData(uint32_t codeKey, uint32_t maxBodySize = DefaultMaxBodySize);
    TZanSaveData(TZanSaveData&&) noexcept;
    TZanSaveData& operator=(TZanSaveData&&) noexcept;
    ~TZanSaveData();

    // --- Reading. Both fail (false) for a missing or unreadable file, a
    // wrong wrapper, magic, check field or version, a thumbnail or body
    // size beyond what remains, or a body that does not unpack. On failure
    // nothing of this object changes and the stream stays where it was; on
    // success the stream is past the wrapper.
    //
    // The header's flags decide how the body is unpacked. With
    // `wantThumbnail` the thumbnail bytes are kept and decoded (a thumbnail
    // that does not decode leaves Thumbnail() null, the read still
    // succeeds); without it the thumbnail is empty. Without `wantBody` the
    // body is empty and HasBody() false.
    //
    // `name`: engine form, relative to the game folder ("SaveData\..."),
    // read with FileSystem::ReadAll.
    bool ReadFromFile(platform::FileSystem& files, std::string_view name, bool wantThumbnail,
                      bool wantBody);
    bool ReadFromStream(TMemoryStream& stream, bool wantThumbnail, bool wantBody);

    // --- Writing: the header (magic, the flags, Date(), the seven
    // descriptions, check field, CurrentVersion), the thumbnail, the body.
    // False (nothing written) without a body. WriteToStream appends at the
    // stream's position. WriteToFile goes through FileSystem::Replace: on
    // failure the old file is left as it was and false is returned.
    bool WriteToStream(TMemoryStream& stream, bool scramble, bool compress) const;
    bool WriteToFile(platform::FileSystem& files, std::string_view name, bool scramble,
                     bool compress) const;
    // The whole file as WriteToStream makes it; empty without a body.
    std::vector<uint8_t> FileBytes(bool scramble, bool compress) const;

    // --- Setting.
    // Description texts 0-6 from the first seven of `texts` (fewer: the rest
    // empty; more: ignored), each cut by CutDescriptionText.
    void SetHeader(std::span<const std::string> texts);
    void SetDate(double days) { date_ = days; }
    void SetBody(std::vector<uint8_t> body) { body_ = std::move(body); }
    void SetBody(std::span<const uint8_t> body) { body_.emplace(body.begin(), body.end()); }
    // The whole content of the stream, whatever its position.
    void SetBody(const TMemoryStream& body) { SetBody(body.Bytes()); }
    void ClearBody() { body_.reset(); }
    // Encodes the picture's current buffer as the 15-bit thumbnail; a
    // picture without pixels means no thumbnail. Thumbnail() then gives
    // the picture as stored (read back from the encoded bytes).
    void SetThumbnail(const TARGB8888& picture);
    // A ready bitmap file (written as it is); empty = none.
    void SetThumbnailBytes(std::vector<uint8_t> bitmapFile);
    void ClearThumbnail();

    // --- Header fields: as set, or as read by the last successful read.
    // The flags are those of the file read (false before any read).
    bool Scrambled() const { return scrambled_; }
    bool Compressed() const { return compressed_; }
    double Date() const { return date_; }
    uint32_t Version() const { return version_; }
    // Empty outside 0 .. 6.
    const std::string& Description(int index) const;
    const TDescriptions& Descriptions() const { return descriptions_; }
    uint32_t CodeKey() const { return codeKey_; }

    bool HasBody() const { return body_.has_value(); }
    // Empty without a body.
    std::span<const uint8_t> Body() const;
    // Hands the body over (as a stream at position 0) and leaves none.
    TMemoryStream TakeBody();

    // The thumbnail bitmap file; empty when none.
    const std::vector<uint8_t>& ThumbnailBytes() const { return thumbnailBytes_; }
    // The decoded thumbnail; null when none was wanted, none is present or
    // it did not decode.
    const TARGB8888* Thumbnail() const { return thumbnail_.get(); }
    std::unique_ptr<TARGB8888> TakeThumbnail() { return std::move(thumbnail_); }

private:
    std::vector<uint8_t> HeaderBytes(bool scramble, bool compress) const;
    std::vector<uint8_t> PackBody(bool scramble, bool compress) const;

    uint32_t codeKey_;
    uint32_t maxBodySize_;
    bool scrambled_ = false;
    bool compressed_ = false;
    double date_ = 0.0;
    uint32_t version_ = CurrentVersion;
    TDescriptions descriptions_;
    std::optional<std::vector<uint8_t>> body_;
    std::vector<uint8_t> thumbnailBytes_;
    std::unique_ptr<TARGB8888> thumbnail_;
};

} // namespace tsukimi
