// The console front end's reading of typed lines: a message box's button,
// the Start prompt and the product choice, for arbitrary lines and box types.
//
// Oracles: an answer is one of the box's buttons (or the default for an
// empty line); a line's answer does not depend on the letter case of its
// ASCII letters or on blanks around it; every button's name and its first
// letter answer that button, and no two buttons of a box share a first
// letter; the Cancel-only prompt never starts; a product choice is the
// number typed (1 to count, at most nine digits), counted from 0.
//
// Input: a box type (4 bytes), the entry count (2 bytes), the preselected
// entry (1 byte), then the line.
#include "app/UpdateFrontEnd.h"
#include "frontends/console/ConsoleAnswers.h"
#include "fuzz/FuzzSupport.h"
#include "platform/strings.h"
#include "platform/window.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

using qvufuzz::Require;

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The line's word: without blanks around it, in lower case, as the answers read it.
std::string Word(const std::string& line) {
    std::size_t begin = 0, end = line.size();
    while (begin < end && ascii::IsSpace(line[begin]))
        ++begin;
    while (end > begin && ascii::IsSpace(line[end - 1]))
        --end;
    return ascii::ToLower(line.substr(begin, end - begin));
}

std::optional<std::size_t> ExpectedChoice(const std::string& word, std::size_t count,
                                          std::size_t preselected) {
    if (word.empty())
        return preselected;
    if (word.size() > 9 || !std::all_of(word.begin(), word.end(), ascii::IsDigit))
        return std::nullopt;
    std::size_t number = 0;
    for (const char c : word)
        number = number * 10 + static_cast<std::size_t>(c - '0');
    if (number < 1 || number > count)
        return std::nullopt;
    return number - 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7)
        return 0;
    UINT type = 0;
    std::memcpy(&type, data, sizeof type);
    const std::size_t count = static_cast<std::size_t>(data[4]) << 8 | data[5];
    const std::size_t preselected = data[6];
    const std::string line(reinterpret_cast<const char*>(data + 7), size - 7);
    const std::string word = Word(line);
    const std::string padded = " \t" + Upper(line) + "\r\n ";

    const std::vector<int> buttons = MessageBoxButtonIds(type);
    Require(!buttons.empty(), "a box without buttons");
    const int defaultButton = DefaultMessageBoxButton(type);
    Require(std::find(buttons.begin(), buttons.end(), defaultButton) != buttons.end(),
            "the default button is not one of the box's");
    const std::string prompt = ButtonPrompt(type);
    for (const int button : buttons) {
        const std::string name = MessageBoxButtonName(button);
        Require(!name.empty() && prompt.find(name) != std::string::npos,
                "the prompt does not name a button");
        Require(ButtonAnswer(name, type) == button && ButtonAnswer(Upper(name), type) == button &&
                    ButtonAnswer(name.substr(0, 1), type) == button,
                "a button's name or first letter does not answer it");
        for (const int other : buttons)
            Require(other == button || MessageBoxButtonName(other)[0] != name[0],
                    "two buttons of a box share a first letter");
    }

    const std::optional<int> answer = ButtonAnswer(line, type);
    Require(answer == ButtonAnswer(padded, type), "letter case or blanks change an answer");
    if (word.empty())
        Require(answer == defaultButton, "an empty line does not answer the default");
    if (answer) {
        Require(std::find(buttons.begin(), buttons.end(), *answer) != buttons.end(),
                "an answer is not one of the box's buttons");
        const std::string name = MessageBoxButtonName(*answer);
        Require(word.empty() || word == name || word == name.substr(0, 1),
                "a line answers a button it does not name");
    }

    const bool cancel = NamesCancel(line);
    Require(cancel == NamesCancel(padded), "letter case or blanks change a cancel");
    Require(cancel == (word == "cancel" || word == "c"), "cancel is read otherwise");
    for (const WaitingChoice choice : {WaitingChoice::StartOrCancel, WaitingChoice::CancelOnly}) {
        const std::optional<int> waiting = WaitingAnswer(line, choice);
        Require(waiting == WaitingAnswer(padded, choice), "letter case or blanks change a start");
        Require(!waiting || *waiting == IDOK || *waiting == IDCANCEL, "a start answer is neither");
        if (choice == WaitingChoice::CancelOnly)
            Require(waiting != IDOK, "the Cancel-only prompt starts");
        Require(!WaitingPrompt(choice).empty(), "a prompt is empty");
    }

    const std::optional<std::size_t> choice = ChoiceAnswer(line, count, preselected);
    Require(choice == ExpectedChoice(word, count, preselected),
            "a product choice is read otherwise");
    Require(choice == ChoiceAnswer(padded, count, preselected), "blanks change a product choice");
    return 0;
}
