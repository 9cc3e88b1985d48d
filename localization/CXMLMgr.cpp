#include "localization/CXMLMgr.h"

#include <algorithm>
#include <cstring>

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

} // namespace

bool CXMLMgr::LoadXml(const char* utf8Text) {
    m_Root = pugi::xml_node();
    const pugi::xml_parse_result result =
        m_Document.load_buffer(utf8Text, std::strlen(utf8Text), kParseOptions, pugi::encoding_utf8);
    // The parser takes a second root element silently; the document is not well-formed.
    if (!result || !HasSingleRootElement(m_Document))
        return false;
    m_Root = m_Document.document_element();
    return true;
}

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
