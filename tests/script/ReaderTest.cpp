#include "ExpectedMessages.h"
#include "ScriptFakes.h"
#include "data/TextHelpers.h"
#include "script/ZanReader.h"

#include <gtest/gtest.h>

namespace tsukimi::testing {
namespace {

class ReaderTest : public ::testing::Test
{
protected:
    ReaderTest() : reader(&source, log.Sink()) {}

    std::vector<std::string> Commands(int limit = 100)
    {
        std::vector<std::string> commands;
        while (!reader.AtEnd() && limit-- > 0)
            commands.emplace_back(reader.ReadCommand());
        return commands;
    }

    MapSource source;
    MessageLog log;
    TZanReader reader;
};

TEST_F(ReaderTest, IncludesInsertTheirLinesAndLabelsKeepTheirFiles)
{
    source.Put("scr\\main.s", "\\a\r\n@@@sub.s\r\n@@main\n\\b\r@@@!once.s\n@@@!once.s\n@@@");
    source.Put("scr\\sub.s", "@@Sub  \r\n\\s1\r\n");
    source.Put("once.s", "\\o");
    ASSERT_TRUE(reader.LoadScript("scr\\main.s", false));
    EXPECT_EQ(reader.Lines(),
              (std::vector<std::string>{"\\a", "@@Sub  ", "\\s1", "@@main", "\\b", "\\o", "@@@"}));
    ASSERT_EQ(reader.Labels().size(), 3u);
    const TLabelData& sub = reader.Labels()[0];
    EXPECT_EQ(sub.Name, "@@sub");
    EXPECT_EQ(sub.Line, 1);
    EXPECT_EQ(sub.File, "scr\\sub.s");
    EXPECT_EQ(sub.FileLine, 0);
    EXPECT_EQ(reader.Labels()[1].FileLine, 2);
    EXPECT_EQ(reader.LabelFile("@@MAIN"), "scr\\main.s");
    EXPECT_EQ(reader.LabelFileLine("@@@"), 6);
    EXPECT_EQ(reader.LabelFileLine("@@none"), -1);
    EXPECT_EQ(reader.CurrentFileName(), "scr\\main.s");
    EXPECT_TRUE(log.messages.empty());
    // Same name again: nothing is read.
    source.Put("scr\\main.s", "");
    EXPECT_TRUE(reader.LoadScript("SCR\\MAIN.S", false));
    EXPECT_EQ(reader.Lines().size(), 7u);
}

TEST_F(ReaderTest, IncludeFailuresAreReportedAndSkipped)
{
    source.Put("a.s", "@@@missing.s\n@@@./A.S\n\\a\n@@@b.s");
    source.Put("./a.s", "");
    source.Put("b.s", "@@@a.s");
    EXPECT_FALSE(reader.LoadScript("nothing.s", false));
    EXPECT_TRUE(log.messages.empty());

    EXPECT_TRUE(reader.LoadScript("a.s", false));
    EXPECT_TRUE(log.Has(kReader + kIncludeNotFound + "missing.s\x81\x76(in:a.s)"));
    EXPECT_TRUE(log.Has(kReader + kLoop));
    EXPECT_EQ(reader.CurrentFileName(), ""); // a loop leaves the name unchanged
}

TEST_F(ReaderTest, SelfIncludeComparesResolvedNames)
{
    source.Put("dir\\a.s", "@@@..\\dir\\a.s\n@@@A.S\n\\x");
    // The stand-in resolves both spellings to the including file's name.
    class Aliases : public MapSource
    {
    public:
        std::string ResolveName(std::string_view name) override
        {
            return name == "dir\\..\\dir\\a.s" || name == "dir\\A.S" ? "dir\\a.s"
                                                                     : MapSource::ResolveName(name);
        }
    } aliases;
    aliases.Put("dir\\a.s", "@@@..\\dir\\a.s\n@@@A.S\n\\x");
    TZanReader self(&aliases, log.Sink());
    ASSERT_TRUE(self.LoadScript("dir\\a.s", true));
    EXPECT_EQ(self.Lines(), std::vector<std::string>{"\\x"});
    EXPECT_EQ(
        std::count(log.messages.begin(), log.messages.end(), kReader + kSelfInclude + "dir\\a.s"),
        2);
}

TEST_F(ReaderTest, CommentsAndTabsAreStripped)
{
    source.Put("inc.s", "\\i /* open\nhidden");
    // A quote inside a block comment still toggles the quote flag, so the
    // "*/" after it on that line does not close the comment.
    source.Put("c.s", "\\a \"x // y\" // gone\n\t\\b/* c */d*/e\n/* \" */ still\nx */\\f\n"
                      "@@@inc.s\nstill */\\g\n\\h/*x\n\\z");
    ASSERT_TRUE(reader.LoadScript("c.s", true));
    EXPECT_EQ(reader.Lines(), (std::vector<std::string>{"\\a \"x // y\" ", "\\bde", "", "\\f",
                                                        "\\i ", "", "\\g", "\\h", ""}));
}

TEST_F(ReaderTest, CommandsSplitAtBackslashesOutsideQuotesAndBraces)
{
    source.Put("m.s", "\\a,1\\b,\"x\\y\"\\c\ntext \\d\n\\e,{p\\q}\\f\n\\g,\x95\x5c\\h");
    ASSERT_TRUE(reader.LoadScript("m.s", true));
    EXPECT_EQ(Commands(), (std::vector<std::string>{"\\a,1", "\\b,\"x\\y\"", "\\c", "text \\d",
                                                    "\\e,{p\\q}", "\\f", "\\g,\x95\x5c", "\\h"}));
    EXPECT_EQ(reader.ReadCommand(), "");
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(reader.PrevLineIndex(), 3);

    TZanReader plain(&source, log.Sink(), {false, false});
    ASSERT_TRUE(plain.LoadScript("m.s", true));
    plain.GotoLine(2, 0);
    EXPECT_EQ(plain.ReadCommand(), "\\e,{p");
}

TEST_F(ReaderTest, LabelsPrefixesAndRawSections)
{
    source.Put("l.s", "@@top\nplain\n pad\n\n@@top\n@@!raw\nverbatim\n\n@@next\nmore");
    ASSERT_TRUE(reader.LoadScript("l.s", true));
    std::vector<std::pair<std::string, int>> logged;
    reader.OnLabelLine = [&](std::string_view key, int since) { logged.emplace_back(key, since); };
    reader.SetTextLinePrefix("\\mes,");
    reader.SetEmptyLinePrefix("\\br");
    reader.AddReplacement("PLAIN", "Text", 0);
    EXPECT_EQ(reader.FindLabel("@@TOP"), 0);
    ASSERT_TRUE(reader.JumpToLabel("@@top", 0, 0));
    EXPECT_EQ(reader.ReadCommand(), "@@top");
    EXPECT_EQ(reader.ReadCommand(), "\\mes,Text");
    EXPECT_EQ(reader.ReadCommand(), "pad");
    EXPECT_EQ(reader.ReadCommand(), "\\br"); // starts with a backslash: no text prefix
    reader.GotoLine(5, 0);
    EXPECT_EQ(reader.ReadCommand(), "@@!raw");
    EXPECT_EQ(reader.CurrentLabelName(), "@@!raw");
    reader.NextLine();
    EXPECT_EQ(reader.LineText(), "verbatim");
    reader.NextLine();
    EXPECT_EQ(reader.LineText(), "");
    EXPECT_EQ(reader.LineOffsetFromLabel(), 2);
    EXPECT_EQ(
        logged,
        (std::vector<std::pair<std::string, int>>{
            {"l.s@@top", 0}, {"l.s@@top", 1}, {"l.s@@top", 2}, {"l.s@@top", 3}, {"l.s@@top", 3}}));
    EXPECT_FALSE(reader.JumpToLabel("@@nowhere", 0, 0));
    EXPECT_EQ(reader.LineIndex(), 7);
}

class FakePatterns : public TReplacePatterns
{
public:
    std::vector<std::string> subjects;
    bool Match(std::string_view pattern, std::string_view subject) override
    {
        subjects.emplace_back(subject);
        return subject.find(pattern) != std::string_view::npos;
    }
    std::optional<std::string> Substitute(std::string_view, std::string_view) override
    {
        return std::nullopt;
    }
    std::vector<std::string> Split(std::string_view, std::string_view, int) override { return {}; }
};

TEST_F(ReaderTest, ReplacementTable)
{
    EXPECT_TRUE(reader.RemoveReplacement("x")); // empty table
    reader.AddReplacement("ab", "1", 0);
    reader.AddReplacement("abc", "2", 0);
    reader.AddReplacement("AB", "3", 0); // overwrites in place
    reader.AddReplacement("\x95\x5c", "4", 0);
    ASSERT_EQ(reader.Replacements().size(), 3u);
    EXPECT_EQ(reader.Replacements()[0].Search, "abc");
    EXPECT_EQ(reader.Replacements()[1].Replacement, "3");
    EXPECT_FALSE(reader.RemoveReplacement("zz"));

    source.Put("r.s", "\\m,ABCab\x95\x5c\\\n\\n,hit");
    ASSERT_TRUE(reader.LoadScript("r.s", true));
    reader.GotoLine(0, 0);
    EXPECT_EQ(reader.LineText(), "\\m,234\\");

    FakePatterns patterns;
    reader.SetReplacePatterns(&patterns);
    reader.AddReplacement("hit", "\\pre", 1);
    reader.GotoLine(1, 0);
    EXPECT_EQ(reader.LineText(), "\\pre\\n,hit");
    EXPECT_EQ(patterns.subjects.back(), "\\n,hit\r\n");
    reader.SetReplaceEnabled(false);
    reader.GotoLine(0, 0);
    EXPECT_EQ(reader.LineText(), "\\m,ABCab\x95\x5c\\");

    reader.SetTextLinePrefix(std::string(200, 'p'));
    EXPECT_EQ(reader.TextLinePrefix().size(), 127u);
    reader.ClearReplacements();
    EXPECT_TRUE(reader.Replacements().empty());
    EXPECT_TRUE(reader.ReplaceEnabled());
    EXPECT_EQ(reader.TextLinePrefix(), "");
}

TEST_F(ReaderTest, StateRoundTripResumesAtTheSavedPlace)
{
    source.Put("s.s", "\\x\n@@here\n\\a\n\\b,1\\c\n\\d");
    ASSERT_TRUE(reader.LoadScript("s.s", true));
    reader.AddReplacement("zz", "yy", 0);
    reader.AddReplacement("pat", "", 3);
    reader.SetEmptyLinePrefix("\\e");
    reader.JumpToLabel("@@here", 0, 0);
    for (int i = 0; i < 3; ++i)
        reader.ReadCommand(); // up to "\b,1"
    TMemoryStream stream;
    reader.SaveState(&stream);
    ASSERT_EQ(stream.Size(), 521u + (2 + 6) + 4 + (2 + 3 + 2 + 0 + 4) + (2 + 2 + 2 + 2 + 4));
    EXPECT_EQ(stream.Data()[0], 3);
    EXPECT_EQ(stream.Data()[1 + 3], 0); // unused bytes are zero

    TZanReader copy(&source, log.Sink());
    stream.Rewind();
    ASSERT_TRUE(copy.LoadState(&stream));
    EXPECT_EQ(copy.ReadCommand(), "\\c");
    EXPECT_EQ(copy.ReadCommand(), "\\d");
    EXPECT_EQ(copy.CurrentLabelName(), "@@here");
    EXPECT_EQ(copy.EmptyLinePrefix(), "\\e");
    EXPECT_EQ(copy.Replacements().size(), 2u);
    EXPECT_EQ(copy.Replacements()[0].Kind, 3);

    EXPECT_FALSE(copy.LoadState(nullptr));
    TMemoryStream shortStream(
        std::vector<uint8_t>(stream.Bytes().begin(), stream.Bytes().begin() + 530));
    EXPECT_FALSE(copy.LoadState(&shortStream));
    EXPECT_EQ(copy.ReadCommand(), ""); // position unchanged: at the end
}

TEST_F(ReaderTest, SavedShortStringsAreClampedToTheirCapacity)
{
    source.Put("s.s", "@@l\n\\a");
    TMemoryStream stream;
    std::vector<uint8_t> block(521, 'Q');
    block[0] = 3;
    block[1] = 's', block[2] = '.', block[3] = 's';
    block[128] = 3;
    block[129] = '@', block[130] = '@', block[131] = 'l';
    for (int i = 0; i < 8; ++i)
        block[256 + i] = 0; // offset and column
    block[264] = 1;
    block[265] = 255; // text prefix: 255 claimed, 127 held
    block[393] = 0;
    stream.WriteBytes(block.data(), block.size());
    WriteString(stream, "ignored");
    stream.WriteI32(0);
    stream.Rewind();
    ASSERT_TRUE(reader.LoadState(&stream));
    EXPECT_EQ(reader.TextLinePrefix(), std::string(127, 'Q'));
    EXPECT_EQ(reader.LineText(), "@@l");
}

} // namespace
} // namespace tsukimi::testing
