#include "localization/XMLLocalizer.h"
#include "platform/resources.h"
#include "tests/support/TranslationsXml.h"
#include "update/SelfCheck.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> textIds = {
    "APP_HEADLINE",
    "APP_START",
    "APP_EXIT",
    "APP_CURRENTVERSION",
    "APP_UPDATEVERSION",
    "APP_PROGRESS",
    "APP_PROGRESSTIME",
    "APP_PROGRESS_MINUTES",
    "APP_PROGRESS_SECONDS",
    "SELECTPROD_HEADLINE",
    "SELECTPROD_TEXT",
    "APP_UPDATE_INIT",
    "APP_UPDATE_NOTFOUND",
    "APP_DOWNLOAD_CANCEL",
    "ERROR_NOTINSTALLED",
    "ERROR_QVU_NOTFOUND",
    "ERROR_QVU_WRONGVERSION",
    "ERROR_QVU_INVALIDPRODUCT",
    "ERROR_CORRUPTDOWNLOAD",
    "ERROR_DOWNLOAD_ALREADY_RUNNING",
    "ERROR_NEWERVERSIONINSTALLED",
    "ERROR_NEWERUPDATEMANAGERAVAILABLE",
    "ERROR_UNABLETOCREATELOG",
    "MSI_ALREADY_DOWNLOADED",
    "ERROR_UNSUPPORTED_WINVER",
};

const std::vector<std::string> browserIds = {
    "BROWSER_OLVIN_VERSIONHISTORY",
    "BROWSER_DORVANE_VERSIONHISTORY",
    "BROWSER_HULO_VERSIONHISTORY",
    "BROWSER_OLVIN4_VERSIONHISTORY",
    "BROWSER_DORVANE4_VERSIONHISTORY",
    "BROWSER_ZETRA4_VERSIONHISTORY",
    "BROWSER_HULO4_VERSIONHISTORY",
    "BROWSER_OLVIN5_VERSIONHISTORY",
    "BROWSER_DORVANE5_VERSIONHISTORY",
    "BROWSER_ZETRA5_VERSIONHISTORY",
    "BROWSER_HULO5_VERSIONHISTORY",
    "BROWSER_OLVIN_UPDATE",
    "BROWSER_DORVANE_UPDATE",
    "BROWSER_ZETRA_UPDATE",
    "BROWSER_HULO_UPDATE",
};

const std::vector<std::string> languages = {"English", "Italian", "French", "Spanish", "German"};
const char* const locales[] = {"en_US.UTF-8", "it_IT.UTF-8", "fr_FR.UTF-8", "es_ES.UTF-8",
                               "de_DE.UTF-8"};

std::string ResourceText() {
    const HRSRC resource = FindResourceA(nullptr, "IDR_STRINGS", "XML");
    if (resource == nullptr)
        return {};
    return std::string(static_cast<const char*>(LockResource(LoadResource(nullptr, resource))),
                       SizeofResource(nullptr, resource));
}

// The table as the update dialog loads it, for a user of the given locale.
XMLLocalizer LoadedFor(const char* locale) {
    const qvutest::UserLanguage user(locale);
    XMLLocalizer localizer;
    localizer.ResourceName = "IDR_STRINGS";
    EXPECT_TRUE(localizer.Load()) << locale;
    return localizer;
}

// The placeholders and escaped line ends of a stored text, in their order.
std::vector<std::string> Markers(const std::string& text) {
    std::vector<std::string> markers;
    for (std::size_t at = 0; at + 1 < text.size(); ++at) {
        const std::string pair = text.substr(at, 2);
        if (pair == "%s" || pair == "%d" || pair == "#P" || pair == "#T" || pair == "\\n")
            markers.push_back(pair);
    }
    return markers;
}

TEST(StringsResourceTest, EveryItemHasItsTextInAllFiveLanguages) {
    const std::string text = ResourceText();
    ASSERT_TRUE(text.starts_with("<?xml version=\"1.0\" encoding=\"utf-8\"?>"));
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(text.c_str()));
    const pugi::xml_node root = document.document_element();
    ASSERT_STREQ(root.name(), "TRANSLATIONS");

    std::set<std::string> ids;
    for (const pugi::xml_node item : root.children("TRANSLATE")) {
        const std::string id = item.attribute("ItemId").value();
        EXPECT_TRUE(ids.insert(id).second) << id << " twice";
        std::vector<std::string> names;
        for (const pugi::xml_node language : item.children())
            names.push_back(language.name());
        EXPECT_EQ(names, languages) << id;

        const std::vector<std::string> english = Markers(item.child_value("English"));
        for (const std::string& language : languages)
            EXPECT_EQ(Markers(item.child_value(language.c_str())), english)
                << id << " " << language;
    }
    std::set<std::string> expected(textIds.begin(), textIds.end());
    expected.insert(browserIds.begin(), browserIds.end());
    EXPECT_EQ(ids, expected);
}

TEST(StringsResourceTest, EnglishTextsAreTheProductsOwn) {
    const XMLLocalizer english = LoadedFor("en_US.UTF-8");
    const std::map<std::string, std::string> samples = {
        {"APP_HEADLINE", "Quorvane Zelvo Update"},
        {"APP_PROGRESSTIME", "#P% (#T remaining)"},
        {"SELECTPROD_TEXT", "There are several products installed.\n\nPlease choose the product "
                            "you would like to update:"},
        {"APP_UPDATE_INIT", "Initializing Internet Connection ..."},
        {"APP_DOWNLOAD_CANCEL",
         "You are about to interrupt the Quorvane download. Once you restart the update program, "
         "you will have to download the new setup file again.\nDo you really want to interrupt "
         "the download?"},
        {"ERROR_QVU_WRONGVERSION",
         "The version of the update program %s is not the prerequisite version for the current "
         "update file %s.\nThe latest update program is available on our website."},
        {"ERROR_QVU_INVALIDPRODUCT", "The selected prodict cannot be updated by this application!"},
        {"ERROR_NEWERVERSIONINSTALLED", "The currently installed version %s is newer than version "
                                        "%s available for download.\n\nUpdate not possible!"},
        {"ERROR_UNABLETOCREATELOG", "Unable to create/open log file:\n%s\n\nDo you want to start "
                                    "the update without logging enabled?"},
        {"ERROR_UNSUPPORTED_WINVER",
         "The operating system %s is not supported by this Quorvane update.\nVisit the Quorvane "
         "website for product information!"},
    };
    for (const auto& [id, text] : samples)
        EXPECT_EQ(english.GetText(id.c_str()), text) << id;
}

TEST(StringsResourceTest, EveryLanguageHasItsOwnTexts) {
    std::vector<XMLLocalizer> tables;
    for (const char* locale : locales)
        tables.push_back(LoadedFor(locale));
    for (const std::string& id : textIds) {
        for (const XMLLocalizer& table : tables)
            EXPECT_NE(table.GetText(id.c_str()), id) << id;
    }
    EXPECT_EQ(tables[1].GetText("APP_START"), "Avvia");
    EXPECT_EQ(tables[2].GetText("APP_START"), "Démarrer");
    EXPECT_EQ(tables[3].GetText("APP_START"), "Iniciar");
    EXPECT_EQ(tables[4].GetText("ERROR_UNABLETOCREATELOG"),
              "Die Protokolldatei kann nicht erstellt oder ge\xC3\xB6"
              "ffnet werden:\n%s\n\nM\xC3\xB6"
              "chten Sie das Update ohne Protokollierung starten?");
}

TEST(StringsResourceTest, WebPagesAreDistinctPagesOfTheOneWebServer) {
    const std::string prefix = std::string(kWebServerRoot) + "?URL=";
    std::set<std::string> addresses;
    for (const char* locale : locales) {
        const XMLLocalizer table = LoadedFor(locale);
        for (const std::string& id : browserIds) {
            const std::string address = table.GetText(id.c_str());
            EXPECT_TRUE(address.starts_with(prefix) && address.size() > prefix.size())
                << id << " " << locale << ": " << address;
            addresses.insert(address);
        }
    }
    EXPECT_EQ(addresses.size(), 75u);
}

} // namespace
