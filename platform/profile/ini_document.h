// For platform/ only: an INI file's content as editable lines, for the
// profile writer. Lines it does not change (comments, blank lines, text it
// cannot read) keep their bytes and line ends; new lines take the line end the
// file already uses, CR LF for a file without one, as Windows writes them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniDocument {
public:
    explicit IniDocument(std::string_view content);

    // Each answers whether the content changed. Names are matched as the
    // readers match them: only the first section of a name counts.

    // Sets key of section to value: the first line of the key is rewritten; a
    // missing key is added after the last key of the section, a missing
    // section at the end of the file.
    bool SetValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes every line of key from section.
    bool RemoveKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines.
    bool RemoveSection(std::string_view section);

    std::string Text() const;

private:
    struct Line {
        std::string text;
        std::string end; // "\r\n", "\n", or "" for a last line without one
    };

    // Index of the first header of section, or lines_.size().
    std::size_t FindSection(std::string_view section, std::size_t from = 0) const;
    // Index of the next header after line index, or lines_.size().
    std::size_t SectionEnd(std::size_t header) const;
    void InsertLine(std::size_t index, std::string text);

    std::string byteOrderMark_;
    std::vector<Line> lines_;
    std::string newLine_;
};

} // namespace platform
