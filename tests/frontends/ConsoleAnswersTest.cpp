#include "frontends/console/ConsoleAnswers.h"
#include "platform/window.h"

#include <gtest/gtest.h>

namespace {

TEST(ConsoleAnswersTest, ButtonsByNameOrFirstLetterInAnyCase) {
    const UINT question = MB_YESNOCANCEL | MB_ICONQUESTION;
    EXPECT_EQ(ButtonAnswer("yes", question), IDYES);
    EXPECT_EQ(ButtonAnswer("  NO ", question), IDNO);
    EXPECT_EQ(ButtonAnswer("C", question), IDCANCEL);
    EXPECT_EQ(ButtonAnswer("y\t", question), IDYES);
    EXPECT_EQ(ButtonAnswer("ok", MB_OKCANCEL), IDOK);
    EXPECT_EQ(ButtonAnswer("Retry", MB_RETRYCANCEL), IDRETRY);
}

TEST(ConsoleAnswersTest, ButtonsTheBoxLacksOrOtherWordsAnswerNothing) {
    EXPECT_EQ(ButtonAnswer("cancel", MB_YESNO), std::nullopt);
    EXPECT_EQ(ButtonAnswer("ok", MB_YESNO), std::nullopt);
    EXPECT_EQ(ButtonAnswer("yess", MB_YESNO), std::nullopt);
    EXPECT_EQ(ButtonAnswer("ye", MB_YESNO), std::nullopt);
}

TEST(ConsoleAnswersTest, EmptyLineIsTheBoxDefault) {
    EXPECT_EQ(ButtonAnswer("", MB_YESNO | MB_ICONEXCLAMATION), IDYES);
    EXPECT_EQ(ButtonAnswer("   ", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(ButtonAnswer("", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
}

TEST(ConsoleAnswersTest, PromptNamesTheButtonsAndTheDefault) {
    EXPECT_EQ(ButtonPrompt(MB_YESNOCANCEL), "Answer yes, no or cancel [yes]: ");
    EXPECT_EQ(ButtonPrompt(MB_YESNO | MB_DEFBUTTON2), "Answer yes or no [no]: ");
}

TEST(ConsoleAnswersTest, StartPromptStartsOnEnterAndCancelsOnCancel) {
    EXPECT_EQ(WaitingAnswer("", WaitingChoice::StartOrCancel), IDOK);
    EXPECT_EQ(WaitingAnswer("START", WaitingChoice::StartOrCancel), IDOK);
    EXPECT_EQ(WaitingAnswer("s", WaitingChoice::StartOrCancel), IDOK);
    EXPECT_EQ(WaitingAnswer("Cancel", WaitingChoice::StartOrCancel), IDCANCEL);
    EXPECT_EQ(WaitingAnswer("go", WaitingChoice::StartOrCancel), std::nullopt);
}

TEST(ConsoleAnswersTest, WithoutStartOnlyCancelIsOffered) {
    EXPECT_EQ(WaitingAnswer("", WaitingChoice::CancelOnly), IDCANCEL);
    EXPECT_EQ(WaitingAnswer("c", WaitingChoice::CancelOnly), IDCANCEL);
    EXPECT_EQ(WaitingAnswer("start", WaitingChoice::CancelOnly), std::nullopt);
    EXPECT_NE(WaitingPrompt(WaitingChoice::CancelOnly).find("cancel"), std::string::npos);
    EXPECT_EQ(WaitingPrompt(WaitingChoice::CancelOnly).find("start"), std::string::npos);
}

TEST(ConsoleAnswersTest, CancelIsNamedOnlyByItsWord) {
    EXPECT_TRUE(NamesCancel(" CANCEL"));
    EXPECT_TRUE(NamesCancel("c"));
    EXPECT_FALSE(NamesCancel(""));
    EXPECT_FALSE(NamesCancel("stop"));
}

TEST(ConsoleAnswersTest, ProductChoiceByNumberFromOne) {
    EXPECT_EQ(ChoiceAnswer("1", 3, 2), 0u);
    EXPECT_EQ(ChoiceAnswer(" 3 ", 3, 0), 2u);
    EXPECT_EQ(ChoiceAnswer("", 3, 1), 1u);
    EXPECT_EQ(ChoiceAnswer("0", 3, 0), std::nullopt);
    EXPECT_EQ(ChoiceAnswer("4", 3, 0), std::nullopt);
    EXPECT_EQ(ChoiceAnswer("-1", 3, 0), std::nullopt);
    EXPECT_EQ(ChoiceAnswer("two", 3, 0), std::nullopt);
    EXPECT_EQ(ChoiceAnswer("99999999999999999999", 3, 0), std::nullopt);
}

} // namespace
