#pragma once
// The text form of the settings files: Shift-JIS lines key=value. A key's
// value is the text after the first "=" of the first line whose key equals
// it without regard to ASCII case. Lines without "=" are kept but never read.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

class TSettingsText
{
public:
    TSettingsText() = default;
    explicit TSettingsText(std::string_view text);

    // The value, or empty when no line has the key.
    std::string Value(std::string_view key) const;
    bool Has(std::string_view key) const;
    // The first line with the key gets the value, a missing key is appended,
    // an empty value removes the line.
    void Set(std::string_view key, std::string_view value);
    // The lines joined with CR LF.
    std::string Text() const;
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    long Find(std::string_view key) const;

    std::vector<std::string> lines_;
};

// A settings integer: optional blanks and sign, then decimal digits or "$"
// and hexadecimal digits (32 bits, so "$FFFFFFFF" is -1). Anything else, or
// a decimal value outside 32 bits, gives `fallback`.
int ParseSettingInt(std::string_view value, int fallback);
// The same for 64-bit values ("$" takes up to 16 hexadecimal digits).
int64_t ParseSettingInt64(std::string_view value, int64_t fallback);
// "true"/"false" in any case; anything else gives `fallback`.
bool ParseSettingBool(std::string_view value, bool fallback);

} // namespace tsukimi
