#include "script/ZanReader.h"

#include "data/TextHelpers.h"
#include "script/ScriptMessages.h"
#include "script/ScriptText.h"

#include <algorithm>

namespace tsukimi {

namespace {

std::string Truncated(std::string_view text)
{
    return std::string(text.substr(0, TZanReader::ShortCapacity));
}

// CR LF, CR and LF end a line; a final line break adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view data)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] != '\r' && data[i] != '\n') continue;
        lines.push_back(data.substr(start, i - start));
        if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < data.size()) lines.push_back(data.substr(start));
    return lines;
}

std::string_view TrimControls(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && static_cast<uint8_t>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<uint8_t>(text[end - 1]) <= ' ')
        --end;
    return text.substr(begin, end - begin);
}

// The folder part of a name, with its final separator.
std::string_view FolderOf(std::string_view name)
{
    size_t end = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsLeadByte(name[i])) {
            ++i;
            continue;
        }
        if (name[i] == '\\' || name[i] == '/') end = i + 1;
    }
    return name.substr(0, end);
}

// Every occurrence of `search` replaced, letters compared without case.
std::string ReplaceIgnoringCase(const std::string& text, std::string_view search,
                                std::string_view replacement)
{
    std::string lowered = LowerText(text);
    std::string loweredSearch = LowerText(search);
    if (lowered.size() != text.size() || loweredSearch.size() != search.size()) {
        lowered = LowerText(text, LowerMode::Ascii);
        loweredSearch = LowerText(search, LowerMode::Ascii);
    }
    std::string result;
    size_t i = 0;
    while (i < text.size()) {
        if (lowered.compare(i, loweredSearch.size(), loweredSearch) == 0) {
            result += replacement;
            i += loweredSearch.size();
            continue;
        }
        const size_t step = IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
        result.append(text, i, step);
        i += step;
    }
    return result;
}

void WriteShortString(TMemoryStream& stream, std::string_view text)
{
    char field[TZanReader::ShortCapacity + 1] = {};
    const size_t length = std::min(text.size(), TZanReader::ShortCapacity);
    field[0] = static_cast<char>(length);
    std::copy_n(text.data(), length, field + 1);
    stream.WriteBytes(field, sizeof field);
}

std::string ReadShortString(TMemoryStream& stream)
{
    char field[TZanReader::ShortCapacity + 1];
    stream.ReadBytes(field, sizeof field);
    const size_t length =
        std::min<size_t>(static_cast<uint8_t>(field[0]), TZanReader::ShortCapacity);
    return std::string(field + 1, length);
}

} // namespace

TZanReader::TZanReader(TScriptSource* source, TScriptErrorReport report, TScriptSettings settings)
    : source_(source), report_(std::move(report)), settings_(settings)
{
    Clear();
    ClearReplacements();
}

void TZanReader::SetLineTransform(std::function<std::string(std::string_view)> transform)
{
    lineTransform_ = std::move(transform);
}

void TZanReader::ReportError(std::string_view message) const
{
    if (!report_) return;
    std::string text(script_messages::ReaderPrefix);
    text += message;
    report_(text);
}

void TZanReader::Clear()
{
    hasLines_ = false;
    lines_.clear();
    spans_.clear();
    linePlain_ = false;
    lineText_ = {};
    fileName_.clear();
    labelName_.clear();
    textLinePrefix_.clear();
    emptyLinePrefix_.clear();
    savedLineOffset_ = savedColumn_ = 0;
    lineIndex_ = -1;
    column_ = 0;
    currentLabel_ = -1;
}

// --- Loading

bool TZanReader::LoadScript(std::string_view name, bool force)
{
    if (!force && SameTextLower(name, fileName_) == 0) return true;
    if (!source_ || source_->ResolveName(name).empty()) return false;
    hasLines_ = true;
    lines_.clear();
    lineText_ = {};
    linePlain_ = false;
    currentLabel_ = -1;
    labels_.clear();
    labelIndex_.clear();
    spans_.clear();
    lastLabelQuery_.clear();
    lastLabelIndex_ = -1;
    files_.clear();
    inBlockComment_ = false;
    const bool ok = ReadFile(std::string(name));
    const bool looped = files_.size() >= MaxFiles;
    files_.clear();
    if (looped) {
        ReportError(script_messages::IncludeLoop);
        return ok;
    }
    if (!ok) {
        ReportError(script_messages::ReadFailed);
        return false;
    }
    fileName_ = Truncated(name);
    return true;
}

bool TZanReader::LoadAndJump(std::string_view name, std::string_view label)
{
    if (SameTextLower(name, "self") == 0) return JumpToLabel(label, 0, 0);
    if (!LoadScript(name, true)) return false;
    return JumpToLabel(label, 0, 0);
}

bool TZanReader::ReadFile(const std::string& fileName)
{
    if (files_.size() > MaxFiles) return false;
    files_.push_back(fileName);
    const std::optional<TMemoryStream> data = source_->LoadData(fileName);
    if (!data) {
        ReportError(std::string(script_messages::FileNotFound) + fileName + "(in:" + fileName_ +
                    ")");
        return false;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data->Data()), data->Size());
    inBlockComment_ = false;
    const std::string lowerFile = LowerText(fileName);
    int32_t number = 0;
    for (const std::string_view line : SplitLines(bytes)) {
        const int32_t lineNumber = number++;
        std::string stripped = StripComments(line);
        const std::string_view t = TrimControls(stripped);
        if (t.size() >= 4 && t.substr(0, 3) == "@@@") {
            if (t[3] != '!') {
                IncludeFile(t.substr(3), false, fileName);
            } else {
                IncludeFile(t.substr(4), true, fileName);
            }
            continue;
        }
        if (t.size() >= 2 && t.substr(0, 2) == "@@") {
            TLabelData label;
            label.Name = LowerText(t);
            label.Hash = StringHash(label.Name);
            label.Line = static_cast<int32_t>(lines_.size());
            label.File = lowerFile;
            label.FileLine = lineNumber;
            label.Raw = t.size() >= 3 && t[2] == '!' ? 1 : 0;
            labelIndex_.emplace(label.Name, static_cast<int>(labels_.size()));
            labels_.push_back(std::move(label));
        }
        lines_.push_back(std::move(stripped));
    }
    return true;
}

void TZanReader::IncludeFile(std::string_view includeName, bool once, const std::string& including)
{
    std::string resolved = source_->ResolveName(std::string(FolderOf(including)) += includeName);
    if (resolved.empty()) resolved = source_->ResolveName(includeName);
    if (resolved.empty()) {
        ReportError(std::string(script_messages::IncludeNotFound) + std::string(includeName) +
                    std::string(script_messages::IncludeNotFoundIn) + including + ")");
        return;
    }
    if (SameTextLower(resolved, including) == 0) {
        ReportError(std::string(script_messages::SelfInclude) + resolved);
        return;
    }
    if (once && std::any_of(files_.begin(), files_.end(), [&](const std::string& f) {
            return SameTextLower(f, resolved) == 0;
        })) {
        return;
    }
    ReadFile(resolved);
}

std::string TZanReader::StripComments(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    bool quoted = false;
    for (size_t i = 0; i < line.size();) {
        const char c = line[i];
        if (IsLeadByte(c)) {
            if (!inBlockComment_) out += line.substr(i, 2);
            i += 2;
            continue;
        }
        if (c == '\t') {
            ++i;
            continue;
        }
        if (c == '"') quoted = !quoted;
        if (!quoted && c != '"' && i + 1 < line.size()) {
            const char next = line[i + 1];
            if (c == '/' && next == '/') break;
            if ((c == '/' && next == '*') || (c == '*' && next == '/')) {
                inBlockComment_ = c == '/';
                i += 2;
                continue;
            }
        }
        if (!inBlockComment_) out += c;
        ++i;
    }
    return out;
}

// --- Reading

const TLabelData* TZanReader::Label(int index) const
{
    if (index < 0 || index >= static_cast<int>(labels_.size())) return nullptr;
    return &labels_[static_cast<size_t>(index)];
}

bool TZanReader::GotoLine(int index, int column)
{
    lineText_ = {};
    linePlain_ = false;
    if (!hasLines_ || index < 0 || index >= static_cast<int>(lines_.size())) return false;
    const TLabelData* label = Label(currentLabel_);
    const bool transformed = !(label && label->Raw == 1);
    if (transformed && OnLabelLine && label)
        OnLabelLine(label->File + label->Name, linesSinceLabel_);
    lineIndex_ = index;
    column_ = column;
    // A plain line is the loaded line as it stands, read in place; its
    // command spans are remembered. Any change makes an owned copy.
    std::string_view text = lines_[static_cast<size_t>(index)];
    linePlain_ = true;
    if (transformed && replaceEnabled_ && (lineTransform_ || !replacements_.empty())) {
        std::string changed(text);
        if (lineTransform_) changed = lineTransform_(changed);
        ownedLine_ = ApplyReplacements(std::move(changed));
        text = ownedLine_;
        linePlain_ = false;
    }
    if (transformed) {
        if (text.empty() && !emptyLinePrefix_.empty()) {
            ownedLine_ = emptyLinePrefix_;
            text = ownedLine_;
            linePlain_ = false;
        }
        if (!text.empty()) {
            const char c = text[0];
            if (c != '\t' && c != ' ' && c != '/' && c != '@' && c != '\\' && !textLinePrefix_.empty()) {
                std::string joined = textLinePrefix_;
                joined += text;
                ownedLine_ = std::move(joined);
                text = ownedLine_;
                linePlain_ = false;
            }
        }
    }
    lineText_ = text;
    return true;
}

std::string TZanReader::ApplyReplacements(std::string text) const
{
    if (!replaceEnabled_ || replacements_.empty()) return text;
    const bool addLineBreak = settings_.OldScriptReplaceAddReturnCode &&
                              std::any_of(replacements_.begin(), replacements_.end(),
                                          [](const TReplaceData& r) { return r.Kind > 0; });
    if (addLineBreak) text += "\r\n";
    for (const TReplaceData& entry : replacements_) {
        if (entry.Search.empty()) continue;
        if (entry.Kind == 0) {
            text = ReplaceIgnoringCase(text, entry.Search, entry.Replacement);
            continue;
        }
        if (!patterns_) continue;
        switch (entry.Kind) {
        case 1:
            if (patterns_->Match(entry.Search, text)) text = entry.Replacement + text;
            break;
        case 2:
        case 4:
            if (auto result = patterns_->Substitute(entry.Search, text)) text = std::move(*result);
            break;
        case 3: {
            const std::vector<std::string> pieces = patterns_->Split(entry.Search, text, 32);
            if (pieces.empty()) break;
            std::string joined;
            for (const std::string& piece : pieces)
                joined += entry.Replacement + piece;
            text = std::move(joined);
            break;
        }
        default:
            break;
        }
    }
    if (addLineBreak) {
        std::string cleaned;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
                continue;
            }
            cleaned += text[i];
        }
        text = std::move(cleaned);
    }
    return text;
}

std::string_view TZanReader::ReadCommand()
{
    prevLineIndex_ = lineIndex_;
    prevColumn_ = column_;
    if (prevFileName_ != fileName_) prevFileName_ = fileName_;
    lastTag_ = nullptr;
    if (!hasLines_) return {};
    if (column_ >= static_cast<int>(lineText_.size())) NextLine();
    if (lineText_.empty()) return {};
    const std::string_view text = lineText_;
    const auto start = static_cast<size_t>(std::max(column_, 0));
    std::vector<TCommandSpan>* spans = nullptr;
    if (linePlain_ && lineIndex_ >= 0 && lineIndex_ < static_cast<int>(lines_.size())) {
        if (spans_.size() != lines_.size()) spans_.assign(lines_.size(), {});
        spans = &spans_[static_cast<size_t>(lineIndex_)];
        for (TCommandSpan& span : *spans) {
            if (span.Column != column_) continue;
            column_ = span.End;
            lastTag_ = &span.Tag;
            return FinishCommand(text.substr(span.TrimStart, span.TrimLength));
        }
    }
    size_t end = text.size();
    int braces = 0, backslashes = 0;
    bool quoted = false;
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (IsLeadByte(c)) {
            ++i;
            continue;
        }
        if (settings_.OldStringWordEnable) {
            if (c == '{') ++braces;
            if (c == '}') --braces;
            if (c == '{' || c == '}' || braces != 0) continue;
        }
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == '\\' && ++backslashes == 2) {
            end = i;
            break;
        }
    }
    end = std::min(end, text.size());
    const std::string_view command =
        TrimSpaces(text.substr(std::min(start, end), end - std::min(start, end)));
    if (spans && spans->size() < MaxSpansPerLine) {
        spans->push_back({column_, static_cast<int32_t>(end),
                          static_cast<int32_t>(command.data() - text.data()),
                          static_cast<int32_t>(command.size())});
        lastTag_ = &spans->back().Tag;
    }
    column_ = static_cast<int>(end);
    return FinishCommand(command);
}

void TZanReader::ClearCommandTags()
{
    for (auto& line : spans_)
        for (TCommandSpan& span : line) span.Tag = nullptr;
    lastTag_ = nullptr;
}

std::string_view TZanReader::FinishCommand(std::string_view command)
{
    if (command.size() >= 2 && command[0] == '@' && command[1] == '@') {
        if (const int index = FindLabel(command); index >= 0) {
            currentLabel_ = index;
            linesSinceLabel_ = 0;
        }
    }
    return command;
}

bool TZanReader::NextLine()
{
    ++linesSinceLabel_;
    return GotoLine(lineIndex_ + 1, 0);
}

bool TZanReader::AtEnd() const
{
    return lineIndex_ >= static_cast<int>(lines_.size()) - 1 &&
           column_ >= static_cast<int>(lineText_.size());
}

// --- Labels

int TZanReader::FindLabel(std::string_view name) const
{
    // Loops jump to the same label again and again: remember the last
    // query as written.
    if (lastLabelIndex_ >= 0 && name == lastLabelQuery_) return lastLabelIndex_;
    const auto it = labelIndex_.find(LowerText(name));
    if (it == labelIndex_.end()) return -1;
    lastLabelQuery_.assign(name);
    lastLabelIndex_ = it->second;
    return it->second;
}

bool TZanReader::JumpToLabel(std::string_view name, int lineOffset, int column)
{
    const int index = FindLabel(name);
    if (index < 0) return false;
    currentLabel_ = index;
    linesSinceLabel_ = lineOffset;
    return GotoLine(labels_[static_cast<size_t>(index)].Line + lineOffset, column);
}

std::string TZanReader::CurrentLabelName() const
{
    const TLabelData* label = Label(currentLabel_);
    return label ? label->Name : std::string();
}

int TZanReader::LineOffsetFromLabel() const
{
    const TLabelData* label = Label(currentLabel_);
    return label ? lineIndex_ - label->Line : 0;
}

int TZanReader::LabelFileLine(std::string_view name) const
{
    const TLabelData* label = Label(FindLabel(name));
    return label ? label->FileLine : -1;
}

std::string TZanReader::LabelFile(std::string_view name) const
{
    const TLabelData* label = Label(FindLabel(name));
    return label ? label->File : std::string();
}

// --- Replacement table

bool TZanReader::AddReplacement(std::string_view search, std::string_view replacement, int32_t kind)
{
    for (TReplaceData& entry : replacements_) {
        if (SameTextLower(entry.Search, search) == 0) {
            entry.Replacement = replacement;
            entry.Kind = kind;
            return true;
        }
    }
    replacements_.push_back({std::string(search), std::string(replacement), kind});
    // Longest search text first; entries of equal length keep their order.
    std::stable_sort(replacements_.begin(), replacements_.end(),
                     [](const TReplaceData& a, const TReplaceData& b) {
                         return a.Search.size() > b.Search.size();
                     });
    return true;
}

bool TZanReader::RemoveReplacement(std::string_view search)
{
    if (replacements_.empty()) return true;
    for (auto it = replacements_.begin(); it != replacements_.end(); ++it) {
        if (SameTextLower(it->Search, search) == 0) {
            replacements_.erase(it);
            return true;
        }
    }
    return false;
}

void TZanReader::ClearReplacements()
{
    replacements_.clear();
    textLinePrefix_.clear();
    emptyLinePrefix_.clear();
    replaceEnabled_ = true;
}

void TZanReader::SetTextLinePrefix(std::string_view prefix)
{
    textLinePrefix_ = Truncated(prefix);
}

void TZanReader::SetEmptyLinePrefix(std::string_view prefix)
{
    emptyLinePrefix_ = Truncated(prefix);
}

// --- State

void TZanReader::SaveState(TMemoryStream* stream)
{
    if (!stream) return;
    labelName_ = Truncated(CurrentLabelName());
    savedLineOffset_ = LineOffsetFromLabel();
    savedColumn_ = column_;
    WriteShortString(*stream, fileName_);
    WriteShortString(*stream, labelName_);
    stream->WriteI32(savedLineOffset_);
    stream->WriteI32(savedColumn_);
    stream->WriteU8(replaceEnabled_ ? 1 : 0);
    WriteShortString(*stream, textLinePrefix_);
    WriteShortString(*stream, emptyLinePrefix_);
    WriteString(*stream, lineText_);
    stream->WriteI32(static_cast<int32_t>(replacements_.size()));
    for (const TReplaceData& entry : replacements_) {
        WriteString(*stream, entry.Search);
        WriteString(*stream, entry.Replacement);
        stream->WriteI32(entry.Kind);
    }
}

bool TZanReader::LoadState(TMemoryStream* stream)
{
    if (!stream) return false;
    std::string fileName, labelName, textPrefix, emptyPrefix;
    int32_t lineOffset = 0, column = 0;
    bool enabled = true;
    std::vector<TReplaceData> table;
    const size_t start = stream->Position();
    try {
        fileName = ReadShortString(*stream);
        labelName = ReadShortString(*stream);
        lineOffset = stream->ReadI32();
        column = stream->ReadI32();
        enabled = stream->ReadU8() != 0;
        textPrefix = ReadShortString(*stream);
        emptyPrefix = ReadShortString(*stream);
        ReadString(*stream); // the line is rebuilt from the script
        const int32_t count = stream->ReadI32();
        // Each entry holds at least two string lengths and its kind.
        if (count < 0 || static_cast<uint64_t>(count) * 8 > stream->Remaining()) {
            stream->Seek(start);
            return false;
        }
        table.resize(static_cast<size_t>(count));
        for (TReplaceData& entry : table) {
            entry.Search = ReadString(*stream);
            entry.Replacement = ReadString(*stream);
            entry.Kind = stream->ReadI32();
        }
    } catch (const StreamError&) {
        stream->Seek(start);
        return false;
    }
    fileName_ = std::move(fileName);
    labelName_ = std::move(labelName);
    savedLineOffset_ = lineOffset;
    savedColumn_ = column;
    replaceEnabled_ = enabled;
    textLinePrefix_ = std::move(textPrefix);
    emptyLinePrefix_ = std::move(emptyPrefix);
    replacements_ = std::move(table);
    LoadScript(fileName_, true);
    return JumpToLabel(labelName_, savedLineOffset_, savedColumn_);
}

} // namespace tsukimi
