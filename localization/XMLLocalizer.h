// The translation table: every text the update manager shows, in the user's
// language, read from the XML resource compiled into the program.
#pragma once

#include <map>
#include <pugixml.hpp>
#include <string>

class XMLLocalizer {
public:
    XMLLocalizer() = default;
    virtual ~XMLLocalizer() = default;

    // Reads the XML resource named ResourceName into the table. False when
    // the resource is missing or its table could not be read.
    bool Load();
    // Reads the items of a zero-terminated UTF-8 XML text into the table.
    bool ParseXml(const char* xmlText);
    // Reads the items below a TRANSLATIONS root (name compared ignoring
    // case): each item's ItemId with its text in the chosen language. Later
    // items replace earlier ones of the same id; the table is never cleared.
    bool ReadTranslations(pugi::xml_node root);
    // The text of an item, ready to show; the id itself when there is no
    // such item, "" for a null id.
    std::string GetText(const char* itemId) const;

    std::string ResourceName = "TRANSLATE";

private:
    std::map<std::string, std::string> texts_;
};
