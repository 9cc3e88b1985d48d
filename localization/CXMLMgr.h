// The XML parser's document for one parse of the translation table.
#pragma once

#include <pugixml.hpp>
#include <string>

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
    pugi::xml_node Root() const { return m_Root; }

private:
    pugi::xml_document m_Document;
    pugi::xml_node m_Root;
};

// An element's text content: the text of all its descendants in document order.
std::string TextContent(pugi::xml_node element);
