#include "update/UpdateDescription.h"
#include "tests/support/UpdateTestSupport.h"

#include <string>

namespace {

class UpdateDescriptionTest : public qvutest::UpdateTest {
protected:
    // Stores a description file where the run keeps it and checks its format.
    DescriptionFormat Check(const std::string& content, std::string& found) const {
        qvutest::WriteFile(SettingsFolder() / "Update" / "QVU.ini", content);
        return CheckDescriptionFormat(UpdateDescriptionPath(kSettingsFolder), found);
    }
};

TEST_F(UpdateDescriptionTest, StoredCopyLiesInTheUpdateFolderOfTheSettings) {
    EXPECT_EQ(UpdateDescriptionPath(kSettingsFolder), "C:\\Quorvane\\Olvin5\\Update\\QVU.ini");
}

TEST_F(UpdateDescriptionTest, BothSectionsWithTheFormatVersionPass) {
    std::string found;
    EXPECT_EQ(Check("[QVU.ini]\r\nver=3.1\r\n[Olvin5]\r\nVersionLong=5.1.2.1234\r\n"
                    "[QVU.end]\r\nver=3.1\r\n",
                    found),
              DescriptionFormat::Ok);
    EXPECT_EQ(found, "3.1");
    EXPECT_EQ(Check("[qvu.INI]\nVER= 3.1 \n[QVU.End]\nver=\"3.1\"\n", found), DescriptionFormat::Ok)
        << "names ignore case; blanks and quotes around the value do not count";
}

TEST_F(UpdateDescriptionTest, NoFormatVersionMeansNoDescriptionFile) {
    std::string found = "stale";
    EXPECT_EQ(CheckDescriptionFormat(UpdateDescriptionPath(kSettingsFolder), found),
              DescriptionFormat::Missing)
        << "nothing stored";
    EXPECT_EQ(found, "");
    EXPECT_EQ(Check("<html><body>404 Not Found</body></html>\r\n", found),
              DescriptionFormat::Missing);
    EXPECT_EQ(Check("[QVU.ini]\r\nver=\r\n[QVU.end]\r\nver=3.1\r\n", found),
              DescriptionFormat::Missing);
}

TEST_F(UpdateDescriptionTest, OtherFormatVersionsAreRefusedQuotingTheText) {
    std::string found;
    for (const char* version : {"3.10", "3.1a", "3.0", "4", "3,1"}) {
        EXPECT_EQ(Check(std::string("[QVU.ini]\r\nver=") + version + "\r\n[QVU.end]\r\nver=3.1\r\n",
                        found),
                  DescriptionFormat::WrongVersion)
            << version;
        EXPECT_EQ(found, version);
    }
    EXPECT_EQ(Check("[QVU.ini]\r\nver=3.1\r\n[QVU.end]\r\nver=3.2\r\n", found),
              DescriptionFormat::WrongVersion);
    EXPECT_EQ(found, "3.2");
}

TEST_F(UpdateDescriptionTest, FileCutBeforeItsClosingSectionIsRefused) {
    std::string found = "stale";
    EXPECT_EQ(Check("[QVU.ini]\r\nver=3.1\r\n[Olvin5]\r\nVersionLong=5.1.2.1234\r\nMSI1=http://h/",
                    found),
              DescriptionFormat::WrongVersion);
    EXPECT_EQ(found, "") << "the missing section is quoted as empty";
}

} // namespace
