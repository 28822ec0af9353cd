#pragma once
// The script reader: loads a script and everything it includes into one
// list of lines (comments removed), registers the labels, and hands out one
// command at a time. Lines are rewritten on the way by the line transform,
// the replacement table and the two prefixes, except under "@@!" labels.
#include "script/ScriptSettings.h"
#include "script/ScriptSource.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tsukimi {

struct TLabelData
{
    std::string Name; // the trimmed label line, lower-cased
    uint32_t Hash = 0;
    int32_t Line = 0; // index in the reader's lines
    std::string File; // lower-cased name of the file holding it
    int32_t FileLine = 0;
    uint32_t Raw = 0; // 1 for "@@!": lines taken verbatim
};

struct TReplaceData
{
    std::string Search, Replacement;
    int32_t Kind = 0; // 0 text; 1 match, 2 and 4 substitution, 3 split (patterns)
};

// The regular-expression operations behind replacement kinds 1-4.
class TReplacePatterns
{
public:
    virtual ~TReplacePatterns() = default;
    virtual bool Match(std::string_view pattern, std::string_view subject) = 0;
    // The result of the substitution expression; nullopt when it fails.
    virtual std::optional<std::string> Substitute(std::string_view expression,
                                                  std::string_view subject) = 0;
    virtual std::vector<std::string> Split(std::string_view pattern, std::string_view subject,
                                           int limit) = 0;
};

class TZanReader
{
public:
    static constexpr size_t ShortCapacity = 127;
    static constexpr size_t StateBlockSize = 521;
    static constexpr size_t MaxFiles = 100;

    // Called for every line read under an ordinary label with the label's
    // file + name and the lines since it.
    std::function<void(std::string_view labelKey, int linesSinceLabel)> OnLabelLine;

    TZanReader(TScriptSource* source, TScriptErrorReport report, TScriptSettings settings = {});
    // The current line views the reader's own lines.
    TZanReader(const TZanReader&) = delete;
    TZanReader& operator=(const TZanReader&) = delete;

    void SetErrorReport(TScriptErrorReport report) { report_ = std::move(report); }
    // The game's line transform library; empty: none.
    void SetLineTransform(std::function<std::string(std::string_view)> transform);
    // Null: replacement kinds 1-4 leave lines unchanged.
    void SetReplacePatterns(TReplacePatterns* patterns) { patterns_ = patterns; }

    void Clear();
    bool LoadScript(std::string_view name, bool force);
    bool LoadAndJump(std::string_view name, std::string_view label);

    // A view into the current line: valid until the reader moves again.
    std::string_view ReadCommand();
    // A slot where the caller may keep its parsed form of the command just
    // read, remembered with the command's place in a plain line; null when
    // the line is not plain. Valid until the reader moves again.
    const void** LastCommandTag() { return lastTag_; }
    void ClearCommandTags();
    bool NextLine();
    bool GotoLine(int index, int column);
    bool AtEnd() const;

    int FindLabel(std::string_view name) const;
    bool JumpToLabel(std::string_view name, int lineOffset, int column);
    std::string CurrentLabelName() const;
    int LineOffsetFromLabel() const;
    int CurrentColumn() const { return column_; }
    const std::string& CurrentFileName() const { return fileName_; }
    int LabelFileLine(std::string_view name) const;
    std::string LabelFile(std::string_view name) const;

    bool AddReplacement(std::string_view search, std::string_view replacement, int32_t kind);
    bool RemoveReplacement(std::string_view search);
    void ClearReplacements();
    void SetReplaceEnabled(bool on) { replaceEnabled_ = on; }
    bool ReplaceEnabled() const { return replaceEnabled_; }
    void SetTextLinePrefix(std::string_view prefix);
    void SetEmptyLinePrefix(std::string_view prefix);
    const std::string& TextLinePrefix() const { return textLinePrefix_; }
    const std::string& EmptyLinePrefix() const { return emptyLinePrefix_; }
    const std::vector<TReplaceData>& Replacements() const { return replacements_; }

    // Nothing for a null stream.
    void SaveState(TMemoryStream* stream);
    // Reads the state, then reloads the script and jumps to the saved place.
    // False for a null or short stream (nothing changed) or a failed jump.
    bool LoadState(TMemoryStream* stream);

    void ReportError(std::string_view message) const;

    bool HasLines() const { return hasLines_; }
    const std::vector<std::string>& Lines() const { return lines_; }
    const std::vector<TLabelData>& Labels() const { return labels_; }
    int CurrentLabel() const { return currentLabel_; }
    int LinesSinceLabel() const { return linesSinceLabel_; }
    int LineIndex() const { return lineIndex_; }
    std::string_view LineText() const { return lineText_; }
    int PrevLineIndex() const { return prevLineIndex_; }
    int PrevColumn() const { return prevColumn_; }
    const std::string& PrevFileName() const { return prevFileName_; }

private:
    bool ReadFile(const std::string& fileName);
    void IncludeFile(std::string_view includeName, bool once, const std::string& including);
    std::string StripComments(std::string_view line);
    std::string ApplyReplacements(std::string text) const;
    const TLabelData* Label(int index) const;
    std::string_view FinishCommand(std::string_view command);

    // Where each command of a plain line ends, by its starting column.
    struct TCommandSpan
    {
        int32_t Column, End, TrimStart, TrimLength;
        const void* Tag = nullptr;
    };
    static constexpr size_t MaxSpansPerLine = 64;

    TScriptSource* source_;
    TScriptErrorReport report_;
    TScriptSettings settings_;
    std::function<std::string(std::string_view)> lineTransform_;
    TReplacePatterns* patterns_ = nullptr;

    bool hasLines_ = false;
    std::vector<std::string> lines_;
    std::vector<TLabelData> labels_;
    std::unordered_map<std::string, int> labelIndex_; // first label of each name
    mutable std::string lastLabelQuery_;
    mutable int lastLabelIndex_ = -1;
    int currentLabel_ = -1;
    int linesSinceLabel_ = 0;
    int lineIndex_ = -1;
    int column_ = 0;
    int prevLineIndex_ = -1, prevColumn_ = 0;
    std::string prevFileName_;
    std::vector<TReplaceData> replacements_;
    std::string fileName_, labelName_;
    int32_t savedLineOffset_ = 0, savedColumn_ = 0;
    bool replaceEnabled_ = true;
    std::string textLinePrefix_, emptyLinePrefix_;
    // The current line: a view of the loaded line, or of ownedLine_ when
    // transformed or prefixed.
    std::string_view lineText_;
    std::string ownedLine_;
    bool linePlain_ = false;
    std::vector<std::vector<TCommandSpan>> spans_;
    const void** lastTag_ = nullptr;

    // While loading.
    std::vector<std::string> files_;
    bool inBlockComment_ = false;
};

} // namespace tsukimi
