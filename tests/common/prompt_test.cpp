#include "common/prompt.h"

#include <gtest/gtest.h>

using namespace moldrin;

TEST(ScriptedPrompt, RecordsMessagesAndAnswersFromTheQueue)
{
    ScriptedPrompt p;
    p.answers.enqueue(PromptAnswer::Retry);
    EXPECT_EQ(p.ask({ "Q1", kAppTitle, PromptIcon::Question, PromptButtons::RetryCancel }), PromptAnswer::Retry);
    EXPECT_EQ(p.ask({ "Q2", kAppTitle, PromptIcon::Question, PromptButtons::YesNo }), PromptAnswer::No);
    p.warn("W", "Open INI Error");
    ASSERT_EQ(p.messages.size(), 3);
    EXPECT_EQ(p.messages[2].title.toStdString(), "Open INI Error");
    EXPECT_EQ(p.messages[2].icon, PromptIcon::Exclamation);
    EXPECT_EQ(p.messages[0].title.toStdString(), "Tolvane SPC Pro");
    p.files.enqueue("/tmp/ATE.INI");
    EXPECT_EQ(
        p.chooseFile({ "Open INI files", "INI file (ATE.INI)|ATE.INI", "", false }).toStdString(), "/tmp/ATE.INI");
    EXPECT_EQ(p.chooseFile({}).toStdString(), "");
    EXPECT_EQ(p.fileRequests.size(), 2);
}
