#include "platform/errors.h"
#include "platform/version.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempRoot.h"
#include "tests/support/VersionTestDll.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Where the tool's DLLs keep their resource data entry (see its PE writer).
constexpr std::size_t kTypeEntryTarget = 0x214;
constexpr std::size_t kNameEntryTarget = 0x22C;
constexpr std::size_t kLanguageEntryTarget = 0x244;
constexpr std::size_t kDataEntry = 0x248;
constexpr std::size_t kResourceFileOffset = 0x200;
constexpr std::uint32_t kResourceRva = 0x1000;

// What the version functions read from one file.
struct VersionRead {
    DWORD size = 0;
    std::vector<unsigned char> data;

    std::optional<std::string> String(const char* subBlock) const {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data.data(), subBlock, &value, &length))
            return std::nullopt;
        const auto* text = static_cast<const char*>(value);
        EXPECT_GE(text, reinterpret_cast<const char*>(data.data()));
        EXPECT_LE(text + length, reinterpret_cast<const char*>(data.data() + data.size()));
        EXPECT_EQ(length, std::strlen(text) + 1);
        return text;
    }
    std::optional<VS_FIXEDFILEINFO> Fixed() const {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data.data(), "\\", &value, &length))
            return std::nullopt;
        EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
        return *static_cast<const VS_FIXEDFILEINFO*>(value);
    }
};

VersionRead Read(const std::string& path) {
    VersionRead read;
    DWORD handle = 99;
    read.size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    if (read.size == 0)
        return read;
    read.data.resize(read.size);
    EXPECT_TRUE(GetFileVersionInfoA(path.c_str(), handle, read.size, read.data.data()));
    return read;
}

const char* const kFileVersion = "\\StringFileInfo\\000004b0\\FileVersion";

class VersionInfoTest : public ::testing::Test {
protected:
    fs::path Path(const std::string& name) const { return root.Folder() / name; }

    // A damaged copy of a tool-made DLL, as the file "name".
    std::string Damaged(const std::string& name, std::size_t offset, std::uint32_t value) {
        std::string image = qvutest::ReadFile(Path("good.dll"));
        qvutest::WriteU32(image, offset, value);
        qvutest::WriteFile(Path(name), image);
        return Path(name).string();
    }

    // The offset of a node in the version block, found by its UTF-16 key.
    std::size_t NodeOffset(const std::string& key) {
        const std::string image = qvutest::ReadFile(Path("good.dll"));
        std::string utf16;
        for (char c : key)
            utf16 += std::string{c, '\0'};
        const std::size_t at = image.find(utf16);
        EXPECT_NE(at, std::string::npos) << key;
        return at - 6;
    }

    void SetUp() override { qvutest::MakeVersionDll(Path("good.dll"), "5,1,2,1234"); }

    qvutest::TempRoot root;
};

TEST_F(VersionInfoTest, Pe32AndPe32PlusFilesGiveStringTranslationAndFixedInfo) {
    qvutest::MakeVersionDll(Path("x64.dll"), "5,1,2,1234", "--pe64");
    for (const char* name : {"good.dll", "x64.dll"}) {
        SCOPED_TRACE(name);
        const VersionRead read = Read(Path(name).string());
        ASSERT_GT(read.size, 0u);
        EXPECT_EQ(read.String(kFileVersion), "5,1,2,1234");
        // Names are matched ignoring case, and a leading backslash is optional.
        EXPECT_EQ(read.String("StringFileInfo\\000004B0\\FILEVERSION"), "5,1,2,1234");
        const std::optional<VS_FIXEDFILEINFO> fixed = read.Fixed();
        ASSERT_TRUE(fixed);
        EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
        EXPECT_EQ(fixed->dwFileVersionMS, 0x00050001u);
        EXPECT_EQ(fixed->dwFileVersionLS, 0x000204D2u);
        void* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(
            VerQueryValueA(read.data.data(), "\\VarFileInfo\\Translation", &value, &length));
        ASSERT_EQ(length, 4u);
        const auto* pair = static_cast<const WORD*>(value);
        EXPECT_EQ(pair[0], 0x0000);
        EXPECT_EQ(pair[1], 0x04B0);
    }
}

TEST_F(VersionInfoTest, MissingValuesAreNotFound) {
    qvutest::MakeVersionDll(Path("bare.dll"), "5.1", "--no-string");
    const VersionRead good = Read(Path("good.dll").string());
    const VersionRead bare = Read(Path("bare.dll").string());
    void* value = nullptr;
    UINT length = 0;
    for (const char* subBlock :
         {"\\StringFileInfo\\000004b0\\ProductName", "\\StringFileInfo\\040904b0\\FileVersion",
          "\\FileVersion", "\\StringFileInfo\\000004b0\\FileVersion\\More"}) {
        SCOPED_TRACE(subBlock);
        SetLastError(0);
        EXPECT_FALSE(VerQueryValueA(good.data.data(), subBlock, &value, &length));
        EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    }
    EXPECT_FALSE(bare.String(kFileVersion));
    ASSERT_TRUE(bare.Fixed());
    EXPECT_EQ(bare.Fixed()->dwFileVersionMS, 0x00050001u);
}

TEST_F(VersionInfoTest, NonAsciiTextComesBackAsUtf8) {
    const std::string text = "4.0 \xC3\xBC\xE2\x82\xAC \xF0\x9F\x98\x80";
    qvutest::MakeVersionDll(Path("utf8.dll"), text);
    EXPECT_EQ(Read(Path("utf8.dll").string()).String(kFileVersion), text);
}

TEST_F(VersionInfoTest, ABufferSmallerThanAnsweredIsRefused) {
    const std::string path = Path("good.dll").string();
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    std::vector<unsigned char> data(size + 16);
    EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, size - 1, data.data()));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size + 16, data.data()));
}

TEST_F(VersionInfoTest, FilesThatAreNoVersionDllsAnswerZero) {
    qvutest::WriteFile(Path("QVVer.dll"), "FileVersion=5.1.2.1234\r\n");
    qvutest::WriteFile(Path("empty.dll"), "");
    ASSERT_EQ(mkfifo(Path("pipe.dll").c_str(), 0666), 0);
    const struct {
        std::string path;
        DWORD error;
    } cases[] = {{Path("missing.dll").string(), ERROR_FILE_NOT_FOUND},
                 {Path("QVVer.dll").string(), ERROR_BAD_EXE_FORMAT},
                 {Path("empty.dll").string(), ERROR_BAD_EXE_FORMAT},
                 {root.Folder().string(), ERROR_ACCESS_DENIED},
                 {Path("pipe.dll").string(), ERROR_ACCESS_DENIED}, // refused, not waited on
                 {"Q:\\Unmapped\\QVVer.dll", ERROR_PATH_NOT_FOUND}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(Read(c.path).size, 0u);
        EXPECT_EQ(GetLastError(), c.error);
        unsigned char data[64];
        EXPECT_FALSE(GetFileVersionInfoA(c.path.c_str(), 0, sizeof data, data));
    }
}

TEST_F(VersionInfoTest, TruncatedCopiesAnswerZeroUntilTheBlockIsWhole) {
    const std::string image = qvutest::ReadFile(Path("good.dll"));
    const std::size_t blockEnd = kResourceFileOffset +
                                 (qvutest::ReadU32(image, kDataEntry) - kResourceRva) +
                                 qvutest::ReadU32(image, kDataEntry + 4);
    const DWORD whole = Read(Path("good.dll").string()).size;
    for (std::size_t length = 0; length < image.size(); length += 64) {
        SCOPED_TRACE(length);
        qvutest::WriteFile(Path("cut.dll"), image.substr(0, length));
        const VersionRead read = Read(Path("cut.dll").string());
        EXPECT_EQ(read.size, length < blockEnd ? 0u : whole);
        if (read.size != 0) {
            EXPECT_EQ(read.String(kFileVersion), "5,1,2,1234");
        }
    }
}

TEST_F(VersionInfoTest, OffsetsOutsideTheFileAreRefused) {
    const struct {
        std::size_t offset;
        std::uint32_t value;
        DWORD error;
    } cases[] = {
        {0x3C, 0xFFFFFFF0, ERROR_BAD_EXE_FORMAT}, // PE header
        {kTypeEntryTarget, 0x80000000 | 0x7FFFFFF0, ERROR_RESOURCE_DATA_NOT_FOUND},
        {kLanguageEntryTarget, 0x00FFFFF0, ERROR_RESOURCE_DATA_NOT_FOUND},
        {kDataEntry, 0xFFFFFFF0, ERROR_RESOURCE_DATA_NOT_FOUND},     // data address
        {kDataEntry + 4, 0xFFFFFFFF, ERROR_RESOURCE_DATA_NOT_FOUND}, // data size
        {kDataEntry + 4, 0x1000, ERROR_RESOURCE_DATA_NOT_FOUND},     // beyond the section
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        EXPECT_EQ(Read(Damaged("outside.dll", c.offset, c.value)).size, 0u);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(VersionInfoTest, ResourceTreeLoopsEndWithoutHanging) {
    // The name entry points back at its own directory, the language entry at the root.
    for (const auto& [offset, value] :
         {std::pair{kNameEntryTarget, 0x80000018u}, std::pair{kLanguageEntryTarget, 0x80000000u}}) {
        EXPECT_EQ(Read(Damaged("loop.dll", offset, value)).size, 0u);
        EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
    }
}

TEST_F(VersionInfoTest, VersionBlockLengthsBeyondTheirParentsAreRefused) {
    const std::size_t root = NodeOffset("VS_VERSION_INFO");
    const std::size_t table = NodeOffset("StringFileInfo");
    const std::string image = qvutest::ReadFile(Path("good.dll"));
    const auto damaged = [&](std::size_t offset, std::uint16_t value) {
        std::string copy = image;
        qvutest::WriteU16(copy, offset, value);
        qvutest::WriteFile(Path("block.dll"), copy);
        return Read(Path("block.dll").string());
    };
    EXPECT_EQ(damaged(root, 0xFFFF).size, 0u);  // longer than the resource
    EXPECT_EQ(damaged(table, 0x2000).size, 0u); // longer than the root
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    EXPECT_EQ(damaged(root, 4).size, 0u); // shorter than a node header
    // A value longer than its node is cut at the node's end, as Windows reads it.
    const VersionRead read = damaged(NodeOffset("FileVersion") + 2, 0x7FFF);
    ASSERT_GT(read.size, 0u);
    EXPECT_EQ(read.String(kFileVersion), "5,1,2,1234");
}

TEST_F(VersionInfoTest, PathsOnAMappedDriveIgnoreCase) {
    const fs::path drive = root.MapDrive('C');
    fs::create_directories(drive / "Programs" / "Quorvane");
    fs::copy_file(Path("good.dll"), drive / "Programs" / "Quorvane" / "QVVer.dll");
    EXPECT_EQ(Read("c:\\PROGRAMS\\quorvane\\qvver.DLL").String(kFileVersion), "5,1,2,1234");
    EXPECT_EQ(Read("D:\\Programs\\Quorvane\\QVVer.dll").size, 0u);
}

TEST_F(VersionInfoTest, BareNamesAreFoundInTheSystemFolderThenTheCurrentFolder) {
    qvutest::ScopedEnvironment environment;
    environment.Unset("QVU_SYSTEM_DIR");
    qvutest::MakeVersionDll(Path("current/QVVer.dll"), "3.8.2.0");
    qvutest::MakeVersionDll(Path("system/qvver.dll"), "10.0");
    fs::current_path(Path("current"));
    EXPECT_EQ(Read("QVVer.dll").String(kFileVersion), "3.8.2.0");
    environment.Set("QVU_SYSTEM_DIR", Path("system").string());
    EXPECT_EQ(Read("QVVer.dll").String(kFileVersion), "10.0");
    EXPECT_EQ(Read(".\\QVVer.dll").String(kFileVersion), "3.8.2.0");
}

} // namespace
