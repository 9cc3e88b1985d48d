#include "platform/resources.h"
#include "platform/errors.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The bytes of a resource, read the way the system reads its translation table.
std::string ResourceBytes(HMODULE module, HRSRC resource) {
    const DWORD size = SizeofResource(module, resource);
    const void* data = LockResource(LoadResource(module, resource));
    return data ? std::string(static_cast<const char*>(data), size) : std::string("<no data>");
}

std::string SourceFile(const char* name) {
    return qvutest::ReadFile(std::string(QVU_TEST_RESOURCES_DIR) + "/" + name);
}

TEST(ResourcesTest, EmbeddedFileIsFoundByNameAndTypeWithItsBytes) {
    const HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    const HRSRC strings = FindResourceA(program, "IDR_STRINGS", "XML");
    ASSERT_NE(strings, nullptr);
    const std::string expected = SourceFile("strings.xml");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ResourceBytes(program, strings), expected);

    EXPECT_EQ(FindResourceA(nullptr, "idr_strings", "xml"), strings)
        << "the program's module, names and types ignoring case";
}

TEST(ResourcesTest, BinaryAndEmptyFilesKeepTheirExactBytes) {
    const HRSRC bytes = FindResourceA(nullptr, MAKEINTRESOURCEA(7), MAKEINTRESOURCEA(10));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(ResourceBytes(nullptr, bytes), SourceFile("bytes.bin"));
    EXPECT_EQ(FindResourceA(nullptr, "#0007", "#10"), bytes) << "numbers meet in any spelling";

    const HRSRC empty = FindResourceA(nullptr, "EMPTY", "XML");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, empty), 0u);
    EXPECT_NE(LoadResource(nullptr, empty), nullptr);
}

TEST(ResourcesTest, MissingResourceNamesWhatIsMissing) {
    SetLastError(0);
    EXPECT_EQ(FindResourceA(nullptr, "TRANSLATE", "XML"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(FindResourceA(nullptr, "IDR_STRINGS", "HTML"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(FindResourceA(nullptr, "IDR_STRINGS", MAKEINTRESOURCEA(10)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);

    const HMODULE foreign = reinterpret_cast<HMODULE>(0x10000000);
    EXPECT_EQ(FindResourceA(foreign, "IDR_STRINGS", "XML"), nullptr);
    const HRSRC forged = reinterpret_cast<HRSRC>(0x1234);
    EXPECT_EQ(SizeofResource(nullptr, forged), 0u);
    EXPECT_EQ(LoadResource(nullptr, forged), nullptr);
}

TEST(ResourcesTest, ModuleIsFoundByTheProgramsFileName) {
    const HMODULE program = GetModuleHandleA(nullptr);
    EXPECT_EQ(GetModuleHandleA("test_platform"), program);
    EXPECT_EQ(GetModuleHandleA("TEST_PLATFORM.EXE"), program);
    EXPECT_EQ(GetModuleHandleA("C:\\Programs\\test_platform.exe"), program);

    SetLastError(0);
    EXPECT_EQ(GetModuleHandleA("kernel32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleA("test_platform.dll"), nullptr);
}

} // namespace
