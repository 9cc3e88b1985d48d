#include "localization/XMLLocalizer.h"

#include "platform/codepage.h"
#include "platform/locale.h"
#include "platform/resources.h"
#include "platform/strings.h"
#include "tracelog/TraceLog.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

namespace {

// Without validation and without the document type: its declaration is
// skipped unread, so no entity it declares is ever expanded and no file or
// address named in it is fetched; a reference to such an entity stays text.
// Line ends are normalised to single line feeds. As a fragment, so that text
// around the root element is kept and can be refused.
constexpr unsigned kParseOptions =
    (pugi::parse_default & ~pugi::parse_doctype) | pugi::parse_fragment;
// The same with the references left as written and the document type kept,
// to check the references against the entities it declares.
constexpr unsigned kReferenceOptions = (kParseOptions & ~pugi::parse_escapes) | pugi::parse_doctype;

// Visits every node below root in document order, without recursion: a
// deeply nested document must not exhaust the stack.
template <class Visit> void ForEachDescendant(pugi::xml_node root, Visit visit) {
    pugi::xml_node node = root.first_child();
    while (node) {
        visit(node);
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != root && !node.next_sibling())
            node = node.parent();
        if (node == root)
            break;
        node = node.next_sibling();
    }
}

// The parser is lenient where a conforming one refuses a document: a second
// root element, text around the root, an attribute given twice, a reference
// to an entity nobody declared, a bare '&'. These are checked here.
bool HasOneRootAndNothingElse(const pugi::xml_document& document) {
    int elements = 0;
    for (const pugi::xml_node node : document.children()) {
        if (node.type() == pugi::node_element)
            ++elements;
        else if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            return false; // blanks around the root are dropped by the parser
    }
    return elements == 1;
}

bool HasNoRepeatedAttribute(const pugi::xml_document& document) {
    bool unique = true;
    ForEachDescendant(document, [&unique](pugi::xml_node node) {
        for (pugi::xml_attribute a = node.first_attribute(); a && unique; a = a.next_attribute())
            for (pugi::xml_attribute b = a.next_attribute(); b && unique; b = b.next_attribute())
                unique = std::strcmp(a.name(), b.name()) != 0;
    });
    return unique;
}

bool IsNameCharacter(char c, bool first) {
    // Bytes of multi-byte UTF-8 sequences pass: names may use any script.
    return ascii::IsLetter(c) || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80 ||
           (!first && (ascii::IsDigit(c) || c == '-' || c == '.'));
}

bool IsName(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!IsNameCharacter(text[i], i == 0))
            return false;
    return !text.empty();
}

// "#65" or "#x41", naming a character XML allows.
bool IsCharacterReference(std::string_view name) {
    const bool hex = name.starts_with("#x");
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8 ||
        !std::all_of(digits.begin(), digits.end(), hex ? ascii::IsHexDigit : ascii::IsDigit))
        return false;
    const unsigned long code = std::stoul(std::string(digits), nullptr, hex ? 16 : 10);
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// The general entities the internal subset of the document type declares.
std::set<std::string, std::less<>> DeclaredEntities(const pugi::xml_document& document) {
    std::set<std::string, std::less<>> names = {"lt", "gt", "amp", "apos", "quot"};
    for (const pugi::xml_node node : document.children()) {
        if (node.type() != pugi::node_doctype)
            continue;
        const std::string_view subset = node.value();
        for (std::size_t at = subset.find("<!ENTITY"); at != std::string_view::npos;
             at = subset.find("<!ENTITY", at + 1)) {
            std::size_t start = at + 8;
            while (start < subset.size() && ascii::IsSpace(subset[start]))
                ++start;
            std::size_t end = start;
            while (end < subset.size() && IsNameCharacter(subset[end], end == start))
                ++end;
            names.emplace(subset.substr(start, end - start));
        }
    }
    return names;
}

bool ReferencesAreDeclared(std::string_view text,
                           const std::set<std::string, std::less<>>& declared) {
    for (std::size_t at = text.find('&'); at != std::string_view::npos;
         at = text.find('&', at + 1)) {
        const std::size_t end = text.find(';', at);
        if (end == std::string_view::npos)
            return false;
        const std::string_view name = text.substr(at + 1, end - at - 1);
        const bool known = name.starts_with('#') ? IsCharacterReference(name)
                                                 : IsName(name) && declared.contains(name);
        if (!known)
            return false;
    }
    return true;
}

// Every '&' of the texts and attribute values begins a reference to a
// character or to an entity that is predefined or declared.
bool HasOnlyDeclaredReferences(const char* utf8Text) {
    pugi::xml_document raw;
    if (!raw.load_buffer(utf8Text, std::strlen(utf8Text), kReferenceOptions, pugi::encoding_utf8))
        return false;
    const auto declared = DeclaredEntities(raw);
    bool valid = true;
    ForEachDescendant(raw, [&](pugi::xml_node node) {
        if (node.type() == pugi::node_pcdata)
            valid = valid && ReferencesAreDeclared(node.value(), declared);
        for (const pugi::xml_attribute attribute : node.attributes())
            valid = valid && ReferencesAreDeclared(attribute.value(), declared);
    });
    return valid;
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
    if (!result || !HasOneRootAndNothingElse(document_) || !HasNoRepeatedAttribute(document_) ||
        !HasOnlyDeclaredReferences(utf8Text))
        return false;
    root_ = document_.document_element();
    return true;
}

// An element's text content: the text of all its descendants in document order.
std::string TextContent(pugi::xml_node element) {
    std::string text;
    ForEachDescendant(element, [&text](pugi::xml_node node) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            text += node.value();
    });
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

// One line of the table's diagnostics, at the trace log's most important level.
void WriteLocalizerTrace(const char* line) {
    TraceLog(0).Write(0, line, true);
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
