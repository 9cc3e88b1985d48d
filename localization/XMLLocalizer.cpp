#include "localization/XMLLocalizer.h"

#include "platform/codepage.h"
#include "platform/debug.h"
#include "platform/locale.h"
#include "platform/resources.h"
#include "platform/strings.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

// Without validation and without the document type: its declaration is
// skipped unread, so no entity it declares is ever expanded and no file or
// address named in it is fetched; a reference to such an entity stays text.
// Line ends are normalised to single line feeds.
constexpr unsigned kParseOptions = pugi::parse_default & ~pugi::parse_doctype;

bool HasSingleRootElement(const pugi::xml_document& document) {
    const auto elements = document.children();
    return std::count_if(elements.begin(), elements.end(), [](pugi::xml_node node) {
               return node.type() == pugi::node_element;
           }) == 1;
}

// Holds the parsed document and its root element while the table is read.
// The Windows program initialised COM here for its parser; the parser used
// here is a plain library, so there is nothing to initialise or release.
class CXMLMgr {
public:
    CXMLMgr() = default;
    CXMLMgr(const CXMLMgr&) = delete;
    CXMLMgr& operator=(const CXMLMgr&) = delete;
    virtual ~CXMLMgr() = default;

    // Parses a zero-terminated UTF-8 text, whatever encoding its declaration
    // names. False when it is not a well-formed document with one root element.
    bool LoadXml(const char* utf8Text);
    // The root element of the last successful parse, else a null node.
    pugi::xml_node Root() const { return root_; }

private:
    pugi::xml_document document_;
    pugi::xml_node root_;
};

bool CXMLMgr::LoadXml(const char* utf8Text) {
    root_ = pugi::xml_node();
    const pugi::xml_parse_result result =
        document_.load_buffer(utf8Text, std::strlen(utf8Text), kParseOptions, pugi::encoding_utf8);
    // The parser takes a second root element silently; the document is not well-formed.
    if (!result || !HasSingleRootElement(document_))
        return false;
    root_ = document_.document_element();
    return true;
}

// An element's text content: the text of all its descendants in document order.
std::string TextContent(pugi::xml_node element) {
    // Walked without recursion: a deeply nested document must not exhaust the stack.
    std::string text;
    pugi::xml_node node = element.first_child();
    while (node) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            text += node.value();
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != element && !node.next_sibling())
            node = node.parent();
        if (node == element)
            break;
        node = node.next_sibling();
    }
    return text;
}

bool EndsWithEscapedLineEnd(const std::string& text) {
    return text.size() >= 2 && text[text.size() - 2] == '\\' &&
           (text.back() == 'n' || text.back() == 'r');
}

// A line break of the document and the next line's indentation (tabs) join
// the lines with one blank; after an escaped line end (\n or \r) nothing is
// put in, since the escape is the line end wanted. There the character after
// the indentation is taken as it is, so a blank line that follows stays.
// A break followed by nothing but tabs stays too.
std::string JoinLines(std::string_view text) {
    std::string joined;
    joined.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t lineFeed = text.find('\n'); lineFeed != std::string_view::npos;
         lineFeed = text.find('\n', from)) {
        joined.append(text.substr(from, lineFeed - from));
        const std::size_t next = text.find_first_not_of('\t', lineFeed + 1);
        if (next == std::string_view::npos) {
            from = lineFeed;
            break;
        }
        if (EndsWithEscapedLineEnd(joined)) {
            joined += text[next];
            from = next + 1;
        } else {
            joined += ' ';
            from = next;
        }
    }
    joined.append(text.substr(from));
    return joined;
}

std::string ReplaceAll(std::string_view text, std::string_view escape, char character) {
    std::string replaced;
    replaced.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(escape); at != std::string_view::npos;
         at = text.find(escape, from)) {
        replaced.append(text.substr(from, at - from));
        replaced += character;
        from = at + escape.size();
    }
    replaced.append(text.substr(from));
    return replaced;
}

// Converts UTF-8 to the ANSI code page through UTF-16, as every narrow text of
// the system is kept. Invalid UTF-8 becomes U+FFFD; a character the code page
// cannot represent becomes its default character.
std::string ToAnsiCodePage(const char* utf8) {
    // The terminating zero goes through too (count -1), so that even an empty
    // text is a valid input; it is dropped at the end.
    const int wideSize = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (wideSize == 0)
        return {};
    std::u16string wide(static_cast<std::size_t>(wideSize), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), wideSize);

    const int narrowSize =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    if (narrowSize == 0)
        return {};
    std::string narrow(static_cast<std::size_t>(narrowSize), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, narrow.data(), narrowSize, nullptr,
                        nullptr);
    narrow.pop_back();
    return narrow;
}

// How a stored text becomes the text shown: the lines of a text that ran
// over several lines of the document are joined and the escapes \n, \r, \t,
// \' and \" resolved. A text starting with "{" is taken as it is.
std::string ResolveStoredText(std::string text) {
    if (text.starts_with('{'))
        return text;
    text = JoinLines(text);
    // One escape after the other, in this order.
    text = ReplaceAll(text, "\\n", '\n');
    text = ReplaceAll(text, "\\r", '\r');
    text = ReplaceAll(text, "\\t", '\t');
    text = ReplaceAll(text, "\\'", '\'');
    text = ReplaceAll(text, "\\\"", '"');
    return text;
}

// The name of the language elements to read: "German", "Spanish", "French" or
// "Italian" for those primary languages of the user (of the system when the
// user has none), "English" for any other.
const char* TranslationLanguageElement() {
    LANGID language = GetUserDefaultLangID();
    if (language == 0)
        language = GetSystemDefaultLangID();
    switch (PRIMARYLANGID(language)) {
    case LANG_GERMAN:
        return "German";
    case LANG_SPANISH:
        return "Spanish";
    case LANG_FRENCH:
        return "French";
    case LANG_ITALIAN:
        return "Italian";
    default:
        return "English";
    }
}

// One line of the table's diagnostics (importance 0), to the debugger output.
void WriteLocalizerTrace(const char* line) {
    OutputDebugStringA(line);
    OutputDebugStringA("\r\n");
}

} // namespace

bool XMLLocalizer::Load() {
    const HRSRC resource = FindResourceA(nullptr, ResourceName.c_str(), "XML");
    if (resource == nullptr)
        return false;
    const DWORD size = SizeofResource(nullptr, resource);
    const void* bytes = LockResource(LoadResource(nullptr, resource));
    if (bytes == nullptr)
        return false;
    // The text ends at its first zero byte, if there is one before the end.
    const std::string text(static_cast<const char*>(bytes), size);
    return ParseXml(text.c_str());
}

bool XMLLocalizer::ParseXml(const char* xmlText) {
    CXMLMgr document;
    if (xmlText == nullptr || !document.LoadXml(xmlText)) {
        WriteLocalizerTrace("XMLLocalizer -> Initialization of XML failed!");
        return false;
    }
    return ReadTranslations(document.Root());
}

bool XMLLocalizer::ReadTranslations(pugi::xml_node root) {
    if (ascii::ToUpper(ToAnsiCodePage(root.name())) != "TRANSLATIONS")
        return false;
    const char* language = TranslationLanguageElement();
    // Every kind of node is looked at; comments and texts have no id.
    for (const pugi::xml_node item : root.children()) {
        const std::string id = ToAnsiCodePage(item.attribute("ItemId").value());
        if (id.empty())
            continue;
        for (const pugi::xml_node text : item.children()) {
            if (std::strcmp(text.name(), language) == 0)
                texts_[id] = ToAnsiCodePage(TextContent(text).c_str());
        }
    }
    return true;
}

std::string XMLLocalizer::GetText(const char* itemId) const {
    if (itemId == nullptr)
        return {};
    const auto found = texts_.find(itemId);
    if (found == texts_.end())
        return itemId;
    return ResolveStoredText(found->second);
}
