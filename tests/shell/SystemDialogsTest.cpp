#include "shell/SystemDialogs.h"

#include "platform/Dialogs.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

class SystemDialogsTest : public ::testing::Test
{
protected:
    SystemDialogsTest() { headless.SetQuiet(true); }
    platform::HeadlessDialogs headless;
    std::string title = "Moon";
    TSystemDialogs dialogs{headless, title};
};

TEST_F(SystemDialogsTest, AnEmptyTextSkipsTheDialogAndQuestionsAnswerYes)
{
    dialogs.ShowDialog1("", "", "OK");
    EXPECT_EQ(dialogs.ShowDialog2("", "", "y", "n"), 1);
    EXPECT_EQ(dialogs.ShowDialog3("", "", "y", "n", "c"), 1);
    EXPECT_EQ(dialogs.ShowExitDialog("", "", "", "", ""), 1);
    EXPECT_TRUE(headless.History().empty());
}

TEST_F(SystemDialogsTest, PlaceholdersAndDefaultCaptions)
{
    EXPECT_EQ(dialogs.ShowDialog2("", "Save?%%%nReally?", "", ""), 1);
    const auto& two = headless.Requests().back();
    EXPECT_EQ(two.text, "Save?\r\nReally?");
    EXPECT_EQ(two.caption, "Moon");
    EXPECT_EQ(two.buttons, (std::vector<std::string>{"Yes", "No"}));

    dialogs.ShowDialog1("About %%%APP", "%%%app", "");
    EXPECT_EQ(headless.Requests().back().caption, "About Moon");
    EXPECT_EQ(headless.Requests().back().text, "%%%app") << "the title goes only into captions";

    dialogs.ShowExitDialog("", "Leave %%%app?%%%nNow", "", "", "");
    const auto& exit = headless.Requests().back();
    EXPECT_EQ(exit.text, "Leave Moon?\n\rNow");
    EXPECT_EQ(exit.buttons, (std::vector<std::string>{"Yes", "No", "Cancel"}));
    EXPECT_EQ(exit.focus, 2) << "cancel has the focus";
}

TEST_F(SystemDialogsTest, AnswersOfEachDialog)
{
    struct Case
    {
        int button;
        int two, three, exit;
    } cases[] = {{0, 1, 1, 1}, {1, 0, 0, 0}, {2, 0, -1, -1}, {-1, 0, 0, -1}};
    for (const auto& c : cases) {
        headless.QueueAnswer(c.button);
        EXPECT_EQ(dialogs.ShowDialog2("", "q", "", ""), c.two) << c.button;
        headless.QueueAnswer(c.button);
        EXPECT_EQ(dialogs.ShowDialog3("", "q", "", "", ""), c.three) << c.button;
        headless.QueueAnswer(c.button);
        EXPECT_EQ(dialogs.ShowExitDialog("", "q", "", "", ""), c.exit) << c.button;
    }
}

TEST_F(SystemDialogsTest, AcceleratorsAnswerToTheirKeyInEitherCase)
{
    for (char key : {'y', 'Y'}) {
        headless.QueueKey(key);
        headless.QueueAnswer(1); // what a plain answer would have been
        EXPECT_EQ(dialogs.ShowDialog2("", "Quit?", "\x82\xcd\x82\xa2(Y)", "\x82\xa2\x82\xa2\x82\xa6(N)"), 1) << key;
        headless.QueueAnswer(0); // drop the unused answer
        dialogs.ShowDialog1("", "x", "");
    }
    headless.QueueKey('n');
    EXPECT_EQ(dialogs.ShowDialog2("", "Quit?", "Yes(Y)", "No(N)"), 0);
    // Both buttons answer to the key: No is checked first, Yes last wins.
    headless.QueueKey('a');
    EXPECT_EQ(dialogs.ShowDialog2("", "Quit?", "(A)gree", "(A)bort"), 1);
    // Three buttons: No, Yes, Cancel; Cancel wins.
    headless.QueueKey('a');
    EXPECT_EQ(dialogs.ShowDialog3("", "q", "(A)", "(A)", "(A)"), -1);
    // Exit dialog: Cancel, Exit, Title; Title wins.
    headless.QueueKey('a');
    EXPECT_EQ(dialogs.ShowExitDialog("", "q", "(A)", "(A)", "(A)"), 0);
}

TEST(DialogAccelerator, CharacterAfterTheFirstParenthesis)
{
    EXPECT_EQ(platform::AcceleratorOf("Yes(Y)"), 'y');
    EXPECT_EQ(platform::AcceleratorOf("(n)o (Y)"), 'n');
    EXPECT_EQ(platform::AcceleratorOf("Yes"), 0);
    EXPECT_EQ(platform::AcceleratorOf("Yes("), 0);
    EXPECT_EQ(platform::AcceleratorOf("(\x82\xa0)"), 0);
}

} // namespace
} // namespace tsukimi
