#include "platform/TextCodec.h"

#include <cerrno>
#include <iconv.h>

namespace tsukimi::platform {
namespace {

// One iconv descriptor per direction and thread, reset before each use.
class Converter
{
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (Valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts `input`; on an unconvertible or invalid sequence calls
    // `skip(rest)` which returns how many input bytes to drop and appends its
    // substitute to `out`.
    template <typename Skip> std::string Run(std::string_view input, Skip skip)
    {
        std::string out;
        if (!Valid()) return out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[1024];
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            const size_t result = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (result != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (incomplete sequence at the end).
            const size_t drop = skip(std::string_view(in, inLeft), out);
            in += drop;
            inLeft -= drop;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        return out;
    }

private:
    iconv_t cd_;
};

bool IsSjisLead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || c >= 0xE0;
}

// Bytes of the bad UTF-8 sequence at the start of `rest`: a whole character
// (well formed but without a CP932 form), or a lead byte with the
// continuation bytes that follow it, or one stray byte.
size_t Utf8SequenceLength(std::string_view rest)
{
    const auto lead = static_cast<unsigned char>(rest[0]);
    size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    size_t taken = 1;
    while (taken < length && taken < rest.size() &&
           (static_cast<unsigned char>(rest[taken]) & 0xC0) == 0x80)
        ++taken;
    return taken;
}

} // namespace

std::string SjisToUtf8(std::string_view sjis)
{
    thread_local Converter converter("UTF-8", "CP932");
    return converter.Run(sjis, [](std::string_view rest, std::string& out) {
        out += "\xEF\xBF\xBD";
        // A bad lead byte takes its trail with it unless the trail is itself
        // a plain character that could start something valid.
        const auto lead = static_cast<unsigned char>(rest[0]);
        if (IsSjisLead(lead) && rest.size() >= 2 && static_cast<unsigned char>(rest[1]) >= 0x40)
            return size_t{2};
        return size_t{1};
    });
}

std::string Utf8ToSjis(std::string_view utf8)
{
    thread_local Converter converter("CP932", "UTF-8");
    return converter.Run(utf8, [](std::string_view rest, std::string& out) {
        out += '?';
        return Utf8SequenceLength(rest);
    });
}

} // namespace tsukimi::platform
