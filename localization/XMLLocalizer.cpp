#include "localization/XMLLocalizer.h"

#include "localization/AnsiText.h"
#include "localization/CXMLMgr.h"
#include "localization/LocalizerTrace.h"
#include "localization/StoredText.h"
#include "localization/TranslationLanguage.h"
#include "platform/resources.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
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
    if (UpperCase(ToAnsiCodePage(root.name())) != "TRANSLATIONS")
        return false;
    const char* language = TranslationLanguageElement();
    // Every kind of node is looked at; comments and texts have no id.
    for (const pugi::xml_node item : root.children()) {
        const std::string id = ToAnsiCodePage(item.attribute("ItemId").value());
        if (id.empty())
            continue;
        for (const pugi::xml_node text : item.children()) {
            if (std::strcmp(text.name(), language) == 0)
                m_Texts[id] = ToAnsiCodePage(TextContent(text).c_str());
        }
    }
    return true;
}

std::string XMLLocalizer::GetText(const char* itemId) const {
    if (itemId == nullptr)
        return {};
    const auto found = m_Texts.find(itemId);
    if (found == m_Texts.end())
        return itemId;
    return ResolveStoredText(found->second);
}
