#pragma once
// Errors and messages of the image decoders. Texts are Shift-JIS.
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tsukimi {

namespace platform {
class Dialogs;
}

namespace texts {
// Bitmapの読み込みに失敗
inline constexpr const char kBitmapReadFailed[] =
    "Bitmap\x82\xcc\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9\x8e\xb8\x94s";
// の読み込みに失敗しました (after the name of the file)
inline constexpr const char kLoadFailedSuffix[] =
    "\x82\xcc\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// 規格外のJPEGを読み込みました。読み込みを中断します。
inline constexpr const char kBadJpeg[] =
    "\x8bK\x8ai\x8aO\x82\xcc"
    "JPEG\x82\xf0\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xdc\x82\xb5\x82\xbd\x81"
    "B\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xf0\x92\x86\x92\x66\x82\xb5\x82\xdc\x82\xb7\x81"
    "B";
} // namespace texts

// Raised by a decoder for data it cannot decode.
class ImageDecodeError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Raised by TARGB8888::LoadFromStream: the name followed by kLoadFailedSuffix.
class ImageLoadError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Shows a message box with one "OK" button; empty = no message.
using TImageMessage = std::function<void(std::string_view text)>;
// A message sink over the platform's dialogs; null dialogs give no message.
TImageMessage ImageMessagesTo(platform::Dialogs* dialogs, std::string caption);

} // namespace tsukimi
