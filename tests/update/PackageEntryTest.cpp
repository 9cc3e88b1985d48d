#include "tests/support/UpdateTestSupport.h"
#include "update/UpdateDescription.h"

#include <string>
#include <vector>

namespace {

class PackageEntryTest : public qvutest::UpdateTest {
protected:
    PackageEntry Read(const std::string& content, const std::string& shortId = "Zetra5") const {
        qvutest::WriteFile(driveC / "QVU.ini", content);
        return ReadPackageEntry("C:\\QVU.ini", shortId);
    }
};

using Addresses = std::vector<std::string>;

TEST_F(PackageEntryTest, AllKeysOfTheProductSectionAreRead) {
    const PackageEntry entry =
        Read("[QVU.ini]\r\nver=3.1\r\n"
             "[Olvin5]\r\nFileName=Olvin.msi\r\nMSI1=http://o/1\r\n"
             "[zetra5]\r\nfilename = Zetra 5.1.msi \r\nFileSize=123456789\r\n"
             "MD5=0123456789abcdef0123456789abcdef\r\n"
             "SHA256 = 'ABC' \r\n"
             "MSI1=http://a.example/Zetra.msi\r\n"
             "MSI2=\"https://b.example/Zetra.msi\"\r\n"
             "MSI3=ftp://c.example/Zetra.msi\r\n"
             "[QVU.end]\r\nver=3.1\r\n");
    EXPECT_EQ(entry.fileName, "Zetra 5.1.msi");
    EXPECT_EQ(entry.fileSize, 123456789u);
    EXPECT_EQ(entry.md5, "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(entry.sha256, "ABC");
    EXPECT_EQ(entry.downloadAddresses,
              (Addresses{"http://a.example/Zetra.msi", "https://b.example/Zetra.msi",
                         "ftp://c.example/Zetra.msi"}));
}

TEST_F(PackageEntryTest, MissingKeysGiveTheDefaults) {
    for (const PackageEntry& entry :
         {Read("[Zetra5]\r\nVersionLong=5.1.0.0\r\n"), Read("[Olvin5]\r\nFileSize=5\r\n"), Read(""),
          Read("[Zetra5]\r\n")}) {
        EXPECT_EQ(entry.fileName, "Quorvane.msi");
        EXPECT_EQ(entry.fileSize, 0u);
        EXPECT_EQ(entry.md5, "");
        EXPECT_FALSE(entry.sha256) << "absent, which is not empty";
        EXPECT_TRUE(entry.downloadAddresses.empty());
    }
    EXPECT_EQ(ReadPackageEntry("C:\\Absent\\QVU.ini", "Zetra5").fileName, "Quorvane.msi");
    // An empty value is there, and so is one that equals a reader's default.
    const struct {
        const char* written;
        const char* read;
    } present[] = {{"", ""}, {"  ", ""}, {"\"\"", ""}, {"-", "-"}, {"+", "+"}};
    for (const auto& value : present)
        EXPECT_EQ(Read(std::string("[Zetra5]\r\nSHA256=") + value.written + "\r\n").sha256,
                  value.read)
            << value.written;
}

TEST_F(PackageEntryTest, FileSizeIsANonNegativeNumber) {
    EXPECT_EQ(Read("[Zetra5]\r\nFileSize=-5\r\n").fileSize, 0u);
    EXPECT_EQ(Read("[Zetra5]\r\nFileSize=abc\r\n").fileSize, 0u);
    EXPECT_EQ(Read("[Zetra5]\r\nFileSize=\r\n").fileSize, 0u);
    EXPECT_EQ(Read("[Zetra5]\r\nFileSize=+4096 bytes\r\n").fileSize, 4096u);
    EXPECT_EQ(Read("[Zetra5]\r\nFileSize=4294967295\r\n").fileSize, 4294967295u);
}

TEST_F(PackageEntryTest, AddressListEndsAtTheFirstAbsentOrEmptyKey) {
    EXPECT_TRUE(Read("[Zetra5]\r\nMSI1=\r\nMSI2=http://b/\r\n").downloadAddresses.empty());
    EXPECT_TRUE(Read("[Zetra5]\r\nMSI2=http://b/\r\n").downloadAddresses.empty());
    EXPECT_EQ(Read("[Zetra5]\r\nMSI1=http://a/\r\nMSI3=http://c/\r\n").downloadAddresses,
              (Addresses{"http://a/"}));
    EXPECT_EQ(Read("[Zetra5]\r\nMSI2=http://b/\r\nmsi1=http://a/\r\nMSI01=x\r\n").downloadAddresses,
              (Addresses{"http://a/", "http://b/"}))
        << "order of the keys, not of the lines";
}

TEST_F(PackageEntryTest, LongValuesAreCutTo259Bytes) {
    const std::string address = "http://a.example/" + std::string(300, 'x');
    const PackageEntry entry = Read("[Zetra5]\r\nMSI1=" + address + "\r\n");
    ASSERT_EQ(entry.downloadAddresses.size(), 1u);
    EXPECT_EQ(entry.downloadAddresses[0], address.substr(0, 259));
}

TEST(PackageFileNameTest, OnlyPlainNamesStayInTheUpdateFolder) {
    for (const char* name : {"Quorvane.msi", "Zetra 5.1.msi", ".msi", "a..b"})
        EXPECT_TRUE(IsPlainFileName(name)) << name;
    for (const char* name : {"", ".", "..", "..\\Quorvane.msi", "../Quorvane.msi",
                             "sub\\Quorvane.msi", "C:Quorvane.msi", "C:\\Windows\\x.msi",
                             "\\\\server\\share\\x.msi", "x.msi:stream", "dir/"})
        EXPECT_FALSE(IsPlainFileName(name)) << name;
    // Files of the update folder that the run itself writes.
    for (const char* name : {"QVU.ini", "qvu.INI", "QVU.ini. ", "QVUUpdate(2024-03-05).log",
                             "qvuupdate(2024-03-05).LOG", "QVUUpdate().log.."})
        EXPECT_FALSE(IsPlainFileName(name)) << name;
    for (const char* name : {"QVU.ini.msi", "QVUUpdate(2024-03-05).log.msi", "QVUUpdate.log"})
        EXPECT_TRUE(IsPlainFileName(name)) << name;
    EXPECT_FALSE(IsPlainFileName(nullptr));
}

} // namespace
