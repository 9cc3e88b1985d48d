#include "frontends/console/ConsoleAnswers.h"

#include "app/UpdateFrontEnd.h"
#include "platform/strings.h"
#include "platform/window.h"

#include <algorithm>
#include <vector>

namespace {

std::string Normalized(const std::string& line) {
    auto begin = std::find_if_not(line.begin(), line.end(), ascii::IsSpace);
    auto end =
        std::find_if_not(line.rbegin(), std::string::const_reverse_iterator(begin), ascii::IsSpace)
            .base();
    return ascii::ToLower(std::string(begin, end));
}

// A whole name, or its first letter.
bool Names(const std::string& word, const std::string& name) {
    return (!word.empty() && word == name) || (word.size() == 1 && word[0] == name[0]);
}

std::string JoinedNames(const std::vector<int>& buttons) {
    std::string joined;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (i > 0)
            joined += i + 1 == buttons.size() ? " or " : ", ";
        joined += MessageBoxButtonName(buttons[i]);
    }
    return joined;
}

} // namespace

std::optional<int> ButtonAnswer(const std::string& line, UINT type) {
    const std::string word = Normalized(line);
    if (word.empty())
        return DefaultMessageBoxButton(type);
    for (const int button : MessageBoxButtonIds(type))
        if (Names(word, MessageBoxButtonName(button)))
            return button;
    return std::nullopt;
}

std::string ButtonPrompt(UINT type) {
    return "Answer " + JoinedNames(MessageBoxButtonIds(type)) + " [" +
           MessageBoxButtonName(DefaultMessageBoxButton(type)) + "]: ";
}

bool NamesCancel(const std::string& line) {
    return Names(Normalized(line), "cancel");
}

std::optional<int> WaitingAnswer(const std::string& line, WaitingChoice choice) {
    const std::string word = Normalized(line);
    const bool startOffered = choice == WaitingChoice::StartOrCancel;
    if (word.empty())
        return startOffered ? IDOK : IDCANCEL;
    if (Names(word, "cancel"))
        return IDCANCEL;
    if (startOffered && Names(word, "start"))
        return IDOK;
    return std::nullopt;
}

std::string WaitingPrompt(WaitingChoice choice) {
    if (choice == WaitingChoice::StartOrCancel)
        return "Type start to update, or cancel to end [start]: ";
    return "The update cannot go on. Type cancel to end [cancel]: ";
}

std::optional<std::size_t> ChoiceAnswer(const std::string& line, std::size_t count,
                                        std::size_t preselected) {
    const std::string word = Normalized(line);
    if (word.empty())
        return preselected;
    if (word.size() > 9 || !std::all_of(word.begin(), word.end(), ascii::IsDigit))
        return std::nullopt;
    const std::size_t number = std::stoul(word);
    if (number < 1 || number > count)
        return std::nullopt;
    return number - 1;
}
