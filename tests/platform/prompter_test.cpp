#include "platform/prompter.h"

#include <gtest/gtest.h>

namespace lumiro::platform {
namespace {

using namespace Qt::StringLiterals;

TEST(ScriptedPrompterTest, RecordsEveryBoxAndAnswersOnlyQuestions) {
    ScriptedPrompter prompter;
    prompter.setTitle(u"Lumiro 7.0"_s);
    prompter.queue(MessageResult::Yes);
    prompter.queue(MessageResult::No);

    prompter.error(u"Błąd zapisu"_s);
    EXPECT_TRUE(prompter.confirm(u"Usunąć pozycję?"_s));
    prompter.inform(u"Gotowe"_s);
    EXPECT_FALSE(prompter.confirm(u"Archiwizować?"_s, MessageIcon::Warning));

    ASSERT_EQ(prompter.questions().size(), 4u);
    const auto& first = prompter.questions()[0];
    EXPECT_EQ(first.icon, MessageIcon::Error);
    EXPECT_EQ(first.buttons, MessageButtons::Ok);
    EXPECT_EQ(first.text, u"Błąd zapisu"_s);
    EXPECT_EQ(first.title, u"Lumiro 7.0"_s);
    EXPECT_EQ(prompter.questions()[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(prompter.questions()[1].icon, MessageIcon::Confirmation);
    EXPECT_EQ(prompter.questions()[3].icon, MessageIcon::Warning);
    EXPECT_EQ(prompter.pendingAnswers(), 0u);
    EXPECT_FALSE(prompter.unansweredQuestion());
}

TEST(ScriptedPrompterTest, QuestionWithoutAnswerIsFlaggedAndRefused) {
    ScriptedPrompter prompter;
    EXPECT_FALSE(prompter.confirm(u"Kontynuować?"_s));
    EXPECT_TRUE(prompter.unansweredQuestion());
}

}  // namespace
}  // namespace lumiro::platform
