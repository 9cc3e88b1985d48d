// The INI profile functions: an arbitrary file, then a few writes, removals and
// reads through GetPrivateProfileStringA / WritePrivateProfileStringA /
// GetPrivateProfileIntA, with names taken from the file or made up.
//
// Oracles, on the file's content after every step:
// - the content reads back as it was written: a value written is the value
//   read (without blanks at its ends and one pair of enclosing quotes), a key
//   or section removed is gone;
// - nothing else changes: the other sections and keys keep their values, the
//   list of sections and each section's key list change only as the step says;
// - a write refused (text that would break the file's lines) leaves the file
//   as it was, and only such writes are refused;
// - a file read and written back unchanged keeps its bytes;
// - reads into buffers of every small size answer what fits, terminated;
// - the settings store's typed values (numbers, booleans) read back as written.
//
// Input: the file's content (FuzzedDataProvider's random-length string: it
// ends at a backslash followed by any other character, and "\\" is one
// backslash), then the steps.
#include "platform/profile.h"
#include "fuzz/FuzzSupport.h"
#include "platform/errors.h"
#include "platform/profile/ini_document.h"
#include "platform/profile/ini_query.h"
#include "platform/profile/ini_syntax.h"
#include "settings/QVRegistry.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using platform::SameIniName;
using platform::TrimBlanks;
using qvufuzz::Require;

namespace {

std::string FilePath() {
    return (qvufuzz::Root().Files() / "profile.ini").string();
}

std::string WindowsPath() {
    static const std::string path = qvufuzz::TempRoot::WindowsName(FilePath());
    return path;
}

std::string ReadContent() {
    std::ifstream in(FilePath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteContent(const std::string& content) {
    std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string_view CutAtNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// Texts go to the functions as C strings: what they see of one.
std::string AsCText(std::string_view text) {
    return std::string(CutAtNul(text));
}

// The value the readers answer for a value written.
std::string ReadBackOf(std::string_view written) {
    std::string_view value = TrimBlanks(written);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Whether the writer must refuse these texts, by the rules of profile.h.
bool MustRefuse(const std::string& section, const std::string* key, const std::string* value) {
    if (HasLineBreak(section) || section.find(']') != std::string::npos)
        return true;
    if (key) {
        const std::string_view name = TrimBlanks(*key);
        if (HasLineBreak(name) || name.find('=') != std::string_view::npos ||
            (!name.empty() && (name.front() == '[' || name.front() == ';')))
            return true;
    }
    return value && HasLineBreak(*value);
}

// What the readers see of a file: its sections in order, and the keys with
// their values of the first section of each name.
struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
};

std::vector<Section> Snapshot(const std::string& content) {
    std::vector<Section> sections;
    for (const std::string_view name : platform::IniSectionNames(content)) {
        Section section{std::string(name), {}};
        for (const std::string_view key : platform::IniKeyNames(content, name)) {
            const auto value = platform::FindIniValue(content, name, key);
            Require(value.has_value(), "a listed key has no value");
            section.keys.emplace_back(std::string(key), std::string(*value));
        }
        sections.push_back(std::move(section));
    }
    return sections;
}

const Section* FirstSection(const std::vector<Section>& sections, std::string_view name) {
    for (const Section& section : sections)
        if (SameIniName(section.name, name))
            return &section;
    return nullptr;
}

// The value of key in the first section named section; the first key of a name counts.
std::optional<std::string> ValueIn(const std::vector<Section>& sections, std::string_view section,
                                   std::string_view key) {
    const Section* found = FirstSection(sections, section);
    if (!found)
        return std::nullopt;
    for (const auto& [name, value] : found->keys)
        if (SameIniName(name, key))
            return value;
    return std::nullopt;
}

std::vector<std::string> SectionNames(const std::vector<Section>& sections) {
    std::vector<std::string> names;
    for (const Section& section : sections)
        names.push_back(section.name);
    return names;
}

std::vector<std::string> KeyNames(const std::vector<Section>& sections, std::string_view section) {
    std::vector<std::string> names;
    if (const Section* found = FirstSection(sections, section))
        for (const auto& key : found->keys)
            names.push_back(key.first);
    return names;
}

// Every key of every section but those of the sections named skipSection
// (and there only the keys named skipKey, when given) keeps its value.
void RequireOthersKept(const std::vector<Section>& before, const std::vector<Section>& after,
                       std::string_view skipSection, const std::string_view* skipKey) {
    for (const Section& section : before) {
        const bool touched = SameIniName(section.name, skipSection);
        if (touched && !skipKey)
            continue;
        for (const auto& [key, value] : section.keys) {
            if (touched && SameIniName(key, *skipKey))
                continue;
            // Keys of a section listed twice are those of its first one.
            const auto was = ValueIn(before, section.name, key);
            const auto now = ValueIn(after, section.name, key);
            Require(was == now, "a write changed another key");
        }
    }
}

// Reads through the public function into a buffer of exactly size bytes
// (so that a write past it is seen) and checks the cut.
void RequireCutRead(const char* section, const char* key, const char* defaultValue, DWORD size,
                    const std::string& full, bool isList) {
    std::unique_ptr<char[]> buffer(new char[size]);
    std::memset(buffer.get(), 'X', size);
    const DWORD count = GetPrivateProfileStringA(section, key, defaultValue, buffer.get(), size,
                                                 WindowsPath().c_str());
    if (!isList) {
        const std::size_t expected = std::min<std::size_t>(full.size(), size - 1);
        Require(count == expected, "a cut value answers the wrong count");
        Require(std::memcmp(buffer.get(), full.data(), count) == 0 && buffer[count] == '\0',
                "a cut value is not the value's start");
        return;
    }
    if (full.size() < size) {
        Require(count == full.size() && std::memcmp(buffer.get(), full.data(), count) == 0 &&
                    buffer[count] == '\0',
                "a list that fits is not copied whole");
    } else if (size < 2) {
        Require(count == 0 && buffer[0] == '\0', "a list into one byte is not empty");
    } else {
        Require(count == size - 2 && std::memcmp(buffer.get(), full.data(), size - 2) == 0 &&
                    buffer[size - 2] == '\0' && buffer[size - 1] == '\0',
                "a cut list is not cut to size - 2 and terminated twice");
    }
}

std::string JoinedList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        list += CutAtNul(name);
        list += '\0';
    }
    return list;
}

// GetPrivateProfileIntA's reading of a value, written apart from it.
UINT NumberOf(std::string_view value) {
    std::size_t i = 0;
    if (!value.empty() && value[0] == '-')
        return 0;
    if (!value.empty() && value[0] == '+')
        i = 1;
    std::size_t end = i;
    while (end < value.size() && value[end] >= '0' && value[end] <= '9')
        ++end;
    unsigned long long number = 0;
    const auto [stop, error] = std::from_chars(value.data() + i, value.data() + end, number);
    if (error == std::errc::result_out_of_range || (error == std::errc() && number > UINT_MAX))
        return UINT_MAX;
    (void)stop;
    return static_cast<UINT>(number);
}

class Steps {
public:
    explicit Steps(FuzzedDataProvider& input) : input_(input) {}

    void Run() {
        for (int step = 0; step < 8 && input_.remaining_bytes() > 0; ++step) {
            switch (input_.ConsumeIntegralInRange<int>(0, 5)) {
            case 0:
                Write();
                break;
            case 1:
                RemoveKey();
                break;
            case 2:
                RemoveSection();
                break;
            case 3:
                Read();
                break;
            case 4:
                ReadLists();
                break;
            case 5:
                TypedValues();
                break;
            }
        }
    }

private:
    // A section name from the file (sometimes padded with blanks, which do
    // not count) or a made-up one.
    std::string SectionName(const std::vector<Section>& sections) {
        if (!sections.empty() && input_.ConsumeBool()) {
            const std::size_t index =
                input_.ConsumeIntegralInRange<std::size_t>(0, sections.size() - 1);
            return Padded(AsCText(sections[index].name));
        }
        return AsCText(input_.ConsumeRandomLengthString(24));
    }

    std::string KeyName(const std::vector<Section>& sections, const std::string& section) {
        const std::vector<std::string> keys = KeyNames(sections, TrimBlanks(section));
        if (!keys.empty() && input_.ConsumeBool())
            return Padded(
                AsCText(keys[input_.ConsumeIntegralInRange<std::size_t>(0, keys.size() - 1)]));
        return AsCText(input_.ConsumeRandomLengthString(24));
    }

    std::string Padded(const std::string& name) {
        switch (input_.ConsumeIntegralInRange<int>(0, 3)) {
        case 1:
            return " " + name;
        case 2:
            return name + "\t";
        default:
            return name;
        }
    }

    void Write() {
        const std::string before = ReadContent();
        const std::vector<Section> was = Snapshot(before);
        const std::string section = SectionName(was);
        const std::string key = KeyName(was, section);
        const std::string value = AsCText(input_.ConsumeRandomLengthString(48));
        if (!Edited(section.c_str(), key.c_str(), value.c_str(), before))
            return;
        const std::string after = ReadContent();
        const std::vector<Section> now = Snapshot(after);
        const std::string_view sectionName = TrimBlanks(section);
        const std::string_view keyName = TrimBlanks(key);

        Require(ValueIn(now, sectionName, keyName) == ReadBackOf(value),
                "a value written does not read back");
        Require(ReadThroughApi(section.c_str(), key.c_str()) == CutAtNul(ReadBackOf(value)),
                "a value written reads back otherwise through the API");
        std::vector<std::string> sections = SectionNames(was);
        std::vector<std::string> keys = KeyNames(was, sectionName);
        if (!FirstSection(was, sectionName))
            sections.emplace_back(sectionName);
        bool known = false;
        for (const std::string& name : keys)
            known = known || SameIniName(name, keyName);
        if (!known)
            keys.emplace_back(keyName);
        Require(SectionNames(now) == sections, "a write changed the list of sections");
        Require(KeyNames(now, sectionName) == keys, "a write changed the key list otherwise");
        RequireOthersKept(was, now, sectionName, &keyName);
        RequireOthersKept(now, was, sectionName, &keyName);
    }

    void RemoveKey() {
        const std::string before = ReadContent();
        const std::vector<Section> was = Snapshot(before);
        const std::string section = SectionName(was);
        const std::string key = KeyName(was, section);
        if (!Edited(section.c_str(), key.c_str(), nullptr, before))
            return;
        const std::vector<Section> now = Snapshot(ReadContent());
        const std::string_view sectionName = TrimBlanks(section);
        const std::string_view keyName = TrimBlanks(key);
        Require(!ValueIn(now, sectionName, keyName), "a key removed is still there");
        std::vector<std::string> keys;
        for (const std::string& name : KeyNames(was, sectionName))
            if (!SameIniName(name, keyName))
                keys.push_back(name);
        Require(SectionNames(now) == SectionNames(was), "a key removal changed the sections");
        Require(KeyNames(now, sectionName) == keys, "a key removal changed the key list otherwise");
        RequireOthersKept(was, now, sectionName, &keyName);
        RequireOthersKept(now, was, sectionName, &keyName);
    }

    void RemoveSection() {
        const std::string before = ReadContent();
        const std::vector<Section> was = Snapshot(before);
        const std::string section = SectionName(was);
        if (!Edited(section.c_str(), nullptr, nullptr, before))
            return;
        const std::vector<Section> now = Snapshot(ReadContent());
        const std::string_view sectionName = TrimBlanks(section);
        std::vector<std::string> sections;
        for (const std::string& name : SectionNames(was))
            if (!SameIniName(name, sectionName))
                sections.push_back(name);
        Require(SectionNames(now) == sections, "a section removal left or removed other sections");
        RequireOthersKept(was, now, sectionName, nullptr);
        RequireOthersKept(now, was, sectionName, nullptr);
    }

    // Calls the writer; false when it refused (and rightly so, the file unchanged).
    bool Edited(const char* section, const char* key, const char* value,
                const std::string& before) {
        const std::string sectionText = section;
        const std::string keyText = key ? key : "";
        const std::string valueText = value ? value : "";
        const bool refuse =
            MustRefuse(sectionText, key ? &keyText : nullptr, value ? &valueText : nullptr);
        SetLastError(0);
        const BOOL written = WritePrivateProfileStringA(section, key, value, WindowsPath().c_str());
        if (refuse) {
            Require(written == FALSE && GetLastError() == ERROR_INVALID_PARAMETER,
                    "text that breaks the file's lines was written");
            Require(ReadContent() == before, "a refused write changed the file");
            return false;
        }
        Require(written == TRUE, "a write failed");
        return true;
    }

    std::string ReadThroughApi(const char* section, const char* key) {
        std::vector<char> buffer(8192);
        const DWORD count =
            GetPrivateProfileStringA(section, key, "\x01missing", buffer.data(),
                                     static_cast<DWORD>(buffer.size()), WindowsPath().c_str());
        return std::string(buffer.data(), count);
    }

    void Read() {
        const std::string content = ReadContent();
        const std::vector<Section> sections = Snapshot(content);
        const std::string section = SectionName(sections);
        const std::string key = KeyName(sections, section);
        const std::string defaultValue = AsCText(input_.ConsumeRandomLengthString(16));
        const auto value = ValueIn(sections, TrimBlanks(section), TrimBlanks(key));
        std::string_view fallback = defaultValue;
        while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t'))
            fallback.remove_suffix(1);
        const std::string full(value ? CutAtNul(*value) : fallback);
        const DWORD largest = static_cast<DWORD>(std::min<std::size_t>(full.size() + 2, 40));
        for (DWORD size = 1; size <= largest; ++size)
            RequireCutRead(section.c_str(), key.c_str(), defaultValue.c_str(), size, full, false);

        const UINT fallbackNumber = static_cast<UINT>(input_.ConsumeIntegral<int>());
        const UINT number = GetPrivateProfileIntA(
            section.c_str(), key.c_str(), static_cast<INT>(fallbackNumber), WindowsPath().c_str());
        const bool empty = !value || CutAtNul(*value).empty();
        Require(number == (empty ? fallbackNumber : NumberOf(CutAtNul(*value))),
                "GetPrivateProfileIntA reads another number");
    }

    void ReadLists() {
        const std::vector<Section> sections = Snapshot(ReadContent());
        const std::string sectionList = JoinedList(SectionNames(sections));
        const DWORD largest = static_cast<DWORD>(std::min<std::size_t>(sectionList.size() + 2, 40));
        for (DWORD size = 1; size <= largest; ++size)
            RequireCutRead(nullptr, nullptr, "", size, sectionList, true);
        const std::string section = SectionName(sections);
        const std::vector<std::string> keys = KeyNames(sections, TrimBlanks(section));
        if (keys.empty())
            return;
        const std::string keyList = JoinedList(keys);
        const DWORD keysLargest = static_cast<DWORD>(std::min<std::size_t>(keyList.size() + 2, 40));
        for (DWORD size = 1; size <= keysLargest; ++size)
            RequireCutRead(section.c_str(), nullptr, "", size, keyList, true);
    }

    // The settings store on the same file: numbers and booleans it writes
    // read back as they were, section and key names being whatever they are.
    void TypedValues() {
        static QVRegistry* store = [] {
            auto* made = new QVRegistry();
            made->Init("Kaltrex", "Fuzz", "1.0", "Fuzz", WindowsPath().c_str());
            return made;
        }();
        const std::string section = AsCText(input_.ConsumeRandomLengthString(16));
        const std::string key = AsCText(input_.ConsumeRandomLengthString(16));
        const int number = input_.ConsumeIntegral<int>();
        if (store->WriteValue(section.c_str(), key.c_str(), number) == QVR_OK) {
            int read = ~number;
            Require(store->ReadValue(section.c_str(), key.c_str(), &read) == QVR_OK &&
                        read == number,
                    "a number of the settings store does not read back");
        }
        const bool flag = input_.ConsumeBool();
        if (store->WriteValue(section.c_str(), key.c_str(), flag) == QVR_OK) {
            bool read = !flag;
            Require(store->ReadValue(section.c_str(), key.c_str(), &read) == QVR_OK && read == flag,
                    "a boolean of the settings store does not read back");
        }
        double real = 0;
        const std::uint64_t bits = input_.ConsumeIntegral<std::uint64_t>();
        std::memcpy(&real, &bits, sizeof real);
        if (store->WriteValue(section.c_str(), key.c_str(), real) == QVR_OK) {
            // Written with six decimals: read back as that text reads.
            KxString text;
            Require(store->ReadValue(section.c_str(), key.c_str(), text) == QVR_OK,
                    "a number written is missing");
            double expected = 0;
            const char* start = text;
            std::from_chars(start, start + std::strlen(start), expected);
            double read = 0;
            Require(store->ReadValue(section.c_str(), key.c_str(), &read) == QVR_OK &&
                        (read == expected || (std::isnan(read) && std::isnan(expected))),
                    "a real number of the settings store does not read back");
            Require(std::isnan(real) || read == real ||
                        std::fabs(read - real) <= 0.0000005 + std::fabs(real) * 1e-15,
                    "a real number of the settings store reads back as another");
        }
    }

    FuzzedDataProvider& input_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string content = input.ConsumeRandomLengthString(4096);
    WriteContent(content);
    // Read and written back unchanged, a file keeps every byte.
    Require(platform::IniDocument(content).Text() == content, "a document changes its bytes");
    Steps(input).Run();
    if (std::getenv("QVU_FUZZ_DEBUG"))
        std::fprintf(stderr, "%s\n--\n", ReadContent().c_str());
    return 0;
}
