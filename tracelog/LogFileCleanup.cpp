#include "tracelog/LogFileCleanup.h"

#include "platform/files.h"
#include "platform/strings.h"

#include <cstring>

namespace {

struct Date {
    int year;
    int month;
    int day;

    bool Before(const Date& other) const {
        if (year != other.year)
            return year < other.year;
        if (month != other.month)
            return month < other.month;
        return day < other.day;
    }
};

// The decimal number at position (0 when none starts there).
int NumberAt(const char* name, std::size_t position) {
    int number = 0;
    for (const char* c = name + position; ascii::IsDigit(*c) && number < 100000; ++c)
        number = number * 10 + (*c - '0');
    return number;
}

Date DateAt(const char* name, std::size_t year, std::size_t month, std::size_t day) {
    return {NumberAt(name, year), NumberAt(name, month), NumberAt(name, day)};
}

// Dated logs: this log's own names ("QVUU(2024-03-05).log", rule A), shorter
// and longer ids (B, C), and the update log's names (D, whose old ones go a
// year later).
bool IsOldLog(const char* name, std::size_t length, const Date& cutOff) {
    if (name[4] == '(' && name[15] == ')')
        return DateAt(name, 5, 10, 13).Before(cutOff);
    if (name[2] == '(' && name[13] == ')')
        return DateAt(name, 3, 8, 11).Before(cutOff);
    if (name[7] == '(' && length >= 19 && name[18] == ')')
        return DateAt(name, 8, 13, 16).Before(cutOff);
    if (name[9] == '(') {
        const int year = NumberAt(name, 10);
        return year > 1999 && year < cutOff.year - 1;
    }
    return false;
}

// Archives and dumps: "logs(2024-03-05).zip", "abcd(2024-03-05).dmp".
bool IsOldArchive(const char* name, std::size_t, const Date& cutOff) {
    return name[4] == '(' && DateAt(name, 5, 10, 13).Before(cutOff);
}

void DeleteMatching(const KxString& folder, const char* pattern, std::size_t minimumLength,
                    bool (*isOld)(const char*, std::size_t, const Date&), const Date& cutOff) {
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA(folder + pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::size_t length = strnlen(entry.cFileName, sizeof entry.cFileName);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && length >= minimumLength &&
            isOld(entry.cFileName, length, cutOff))
            DeleteFileA(folder + entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

} // namespace

void DeleteOldLogFiles(const KxString& folder, int year, int month, int day) {
    if (folder.IsEmpty())
        return;
    const Date cutOff{year, month, day};
    DeleteMatching(folder, "*.log", 18, IsOldLog, cutOff);
    DeleteMatching(folder, "logs*.zip", 20, IsOldArchive, cutOff);
    DeleteMatching(folder, "*.dmp", 20, IsOldArchive, cutOff);
}
