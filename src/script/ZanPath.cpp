#include "script/ZanPath.h"

#include "data/TextHelpers.h"

namespace tsukimi {

namespace {

constexpr std::string_view LeadingBackslash = "FileIO：パスの最初に\\を付けないでください：";
constexpr std::string_view DoubleBackslash = "FileIO：パスに\\\\が含まないでください：";
constexpr std::string_view ForwardSlash = "FileIO：パスに/を使わないでください：";
constexpr std::string_view NotFound = "FileIO：指定されたファイルが見つかりません：";
constexpr size_t MaxNameBytes = 256;

// Drops every "part\.." pair, walking back after each removal.
std::string FoldParentParts(std::string_view name)
{
    std::vector<std::string> parts = SplitText("\\", name, false, 0, false);
    size_t i = 0;
    while (i < parts.size()) {
        if (parts[i] == ".." && i > 0 && parts[i - 1] != "..") {
            parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(i - 1),
                        parts.begin() + static_cast<std::ptrdiff_t>(i + 1));
            --i;
        } else {
            ++i;
        }
    }
    std::string out;
    for (size_t k = 0; k < parts.size(); ++k) {
        if (parts[k].empty()) continue;
        out += parts[k];
        if (k + 1 < parts.size()) out += '\\';
    }
    return out;
}

std::string CollapseDoubleBackslashes(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        out += name[i];
        if (name[i] == '\\' && i + 1 < name.size() && name[i + 1] == '\\') ++i;
    }
    return out;
}

} // namespace

void TZanStringList::Add(std::string_view text)
{
    if (IndexOf(text) < 0) items_.emplace_back(text);
}

void TZanStringList::Remove(std::string_view text)
{
    const int at = IndexOf(text);
    if (at >= 0) items_.erase(items_.begin() + at);
}

int TZanStringList::IndexOf(std::string_view text) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (SameTextLower(items_[i], text) == 0) return static_cast<int>(i);
    return -1;
}

void TZanStringList::SaveToStream(TMemoryStream& stream) const
{
    stream.WriteU32(static_cast<uint32_t>(items_.size()));
    for (const std::string& item : items_) WriteString(stream, item);
}

void TZanStringList::LoadFromStream(TMemoryStream& stream)
{
    Clear();
    const uint32_t count = stream.ReadU32();
    // Every entry takes at least its two length bytes.
    if (count > stream.Remaining() / 2) throw StreamError("string list count past the end");
    for (uint32_t i = 0; i < count; ++i) items_.push_back(ReadString(stream));
}

TZanPath::TZanPath(Exists exists, BaseFolder base, Resolved resolved, TScriptErrorReport report,
                   bool quiet)
    : exists_(std::move(exists)), base_(std::move(base)), resolved_(std::move(resolved)),
      report_(std::move(report)), quiet_(quiet)
{
}

void TZanPath::Add(std::string_view folder)
{
    std::string entry(folder);
    if (!entry.empty() && entry.back() != '\\') entry += '\\';
    TZanStringList::Add(entry);
}

void TZanPath::Clear()
{
    TZanStringList::Clear();
    scriptFlag_ = false;
}

void TZanPath::Complain(std::string_view message, std::string_view name, bool report) const
{
    if (!report || quiet_ || !report_) return;
    std::string text(message);
    text += name;
    report_(text);
}

std::string TZanPath::Normalize(std::string_view name, bool report) const
{
    std::string out(name);
    if (out.find("..") != std::string::npos) out = FoldParentParts(out);
    if (!out.empty() && out[0] == '\\') {
        Complain(LeadingBackslash, name, report);
        out.erase(0, 1);
        if (out.size() > MaxNameBytes) out.resize(MaxNameBytes);
    }
    if (out.find("\\\\") != std::string::npos) {
        Complain(DoubleBackslash, name, report);
        out = CollapseDoubleBackslashes(out);
    }
    if (out.find('/') != std::string::npos) {
        Complain(ForwardSlash, name, report);
        for (char& c : out)
            if (c == '/') c = '\\';
    }
    return out;
}

std::string TZanPath::Resolve(std::string_view name, bool notify, bool report) const
{
    if (name.empty() || !exists_) return {};
    auto attempt = [&](std::string candidate) -> std::string {
        candidate = Normalize(candidate, report);
        return exists_(candidate) ? candidate : std::string();
    };
    std::string found = attempt((base_ ? base_() : std::string()) + std::string(name));
    if (found.empty()) found = attempt(std::string(name));
    for (int i = 0; found.empty() && i < Count(); ++i) found = attempt(Item(i) + std::string(name));
    if (found.empty()) {
        Complain(NotFound, name, report);
        return {};
    }
    if (notify && resolved_) resolved_(found);
    return found;
}

void TZanPath::SaveState(TMemoryStream& stream) const
{
    SaveToStream(stream);
    stream.WriteU8(scriptFlag_ ? 1 : 0);
}

void TZanPath::LoadState(TMemoryStream& stream)
{
    LoadFromStream(stream);
    scriptFlag_ = stream.ReadU8() != 0;
}

} // namespace tsukimi
