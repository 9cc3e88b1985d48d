#include "platform/profile/ini_document.h"

#include "platform/profile/ini_syntax.h"

#include <algorithm>

namespace platform {

namespace {

std::string KeyLine(std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    line += value;
    return line;
}

} // namespace

IniDocument::IniDocument(std::string_view content) {
    if (content.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
        byteOrderMark_ = kUtf8ByteOrderMark;
    IniLineSplitter lines(content);
    std::string_view text, lineEnd;
    while (lines.Next(text, lineEnd)) {
        if (newLine_.empty())
            newLine_ = lineEnd;
        lines_.push_back({std::string(text), std::string(lineEnd)});
    }
    if (newLine_.empty())
        newLine_ = "\r\n";
}

std::size_t IniDocument::FindSection(std::string_view section, std::size_t from) const {
    for (std::size_t i = from; i < lines_.size(); ++i) {
        const IniLine line = ReadIniLine(lines_[i].text);
        if (line.kind == IniLineKind::Section && SameIniName(line.name, section))
            return i;
    }
    return lines_.size();
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && ReadIniLine(lines_[i].text).kind != IniLineKind::Section)
        ++i;
    return i;
}

void IniDocument::InsertLine(std::size_t index, std::string text) {
    if (index > 0 && lines_[index - 1].end.empty())
        lines_[index - 1].end = newLine_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index),
                  Line{std::move(text), newLine_});
}

bool IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::size_t header = FindSection(section);
    if (header == lines_.size()) {
        InsertLine(lines_.size(), "[" + std::string(section) + "]");
        InsertLine(lines_.size(), KeyLine(key, value));
        return true;
    }
    const std::size_t end = SectionEnd(header);
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < end; ++i) {
        const IniLine line = ReadIniLine(lines_[i].text);
        if (line.kind != IniLineKind::Key)
            continue;
        if (SameIniName(line.name, key)) {
            // The key keeps the spelling the file gave it.
            std::string replacement = KeyLine(line.name, value);
            if (replacement == lines_[i].text)
                return false;
            lines_[i].text = std::move(replacement);
            return true;
        }
        insertAt = i + 1;
    }
    InsertLine(insertAt, KeyLine(key, value));
    return true;
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
    const std::size_t header = FindSection(section);
    if (header == lines_.size())
        return false;
    const auto first = lines_.begin() + static_cast<std::ptrdiff_t>(header + 1);
    const auto last = lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header));
    const auto kept = std::remove_if(first, last, [&](const Line& candidate) {
        const IniLine line = ReadIniLine(candidate.text);
        return line.kind == IniLineKind::Key && SameIniName(line.name, key);
    });
    if (kept == last)
        return false;
    lines_.erase(kept, last);
    return true;
}

bool IniDocument::RemoveSection(std::string_view section) {
    bool removed = false;
    for (std::size_t header = FindSection(section); header < lines_.size();
         header = FindSection(section, header)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
        removed = true;
    }
    return removed;
}

std::string IniDocument::Text() const {
    std::string text = byteOrderMark_;
    for (const Line& line : lines_) {
        text += line.text;
        text += line.end;
    }
    return text;
}

} // namespace platform
