#include "platform/registry.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class QvuRegTest : public ::testing::Test {
protected:
    // Runs qvu-reg with the test's machine root (QVU_ROOT is inherited).
    ToolRun Reg(const std::vector<std::string>& args) {
        const fs::path out = root.Folder() / "stdout";
        const fs::path err = root.Folder() / "stderr";
        std::string command = ShellQuoted(qvutest::ProgramPath("qvu-reg").string());
        for (const std::string& arg : args)
            command += " " + ShellQuoted(arg);
        command += " >" + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string());
        const int status = std::system(command.c_str());
        ToolRun run;
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = qvutest::ReadFile(out);
        run.err = qvutest::ReadFile(err);
        return run;
    }

    std::string WriteRegFile(const std::string& name, const std::string& bytes) {
        const fs::path file = root.Folder() / name;
        qvutest::WriteFile(file, bytes);
        return file.string();
    }

    qvutest::TempRoot root;
};

// The data of a value as the registry holds it, or "<missing>".
std::string Stored(HKEY root, const char* path, const char* name, DWORD* type = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    DWORD size = 0;
    std::string data;
    LONG result = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        data.resize(size);
        result =
            RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size);
        data.resize(size);
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? data : "<missing>";
}

std::string Text(const char* text) {
    return std::string(text) + '\0';
}

TEST_F(QvuRegTest, AddQueryDeleteRoundTrip) {
    const std::string key = "HKLM\\Software\\Kaltrex\\Quorvane Zetra\\4.0";
    EXPECT_EQ(Reg({"add", key, "/v", "Path", "/d", "C:\\Zetra\\", "/f"}).status, 0);
    EXPECT_EQ(Reg({"add", key, "/ve", "/d", "default text"}).status, 0);
    EXPECT_EQ(Reg({"add", key, "/v", "Count", "/t", "REG_DWORD", "/d", "31"}).status, 0);
    EXPECT_EQ(Reg({"add", key + "\\IniFilePath", "/d", "C:\\Data\\"}).status, 0);
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\Quorvane Zetra\\4.0", "Path"),
              Text("C:\\Zetra\\"));

    ToolRun query = Reg({"query", key});
    EXPECT_EQ(query.status, 0);
    EXPECT_EQ(query.out, "\nHKEY_LOCAL_MACHINE\\Software\\Kaltrex\\Quorvane Zetra\\4.0\n"
                         "    (Default)    REG_SZ    default text\n"
                         "    Count    REG_DWORD    0x1f\n"
                         "    Path    REG_SZ    C:\\Zetra\\\n"
                         "\n"
                         "HKEY_LOCAL_MACHINE\\Software\\Kaltrex\\Quorvane Zetra\\4.0\\IniFilePath\n"
                         "\n");
    query = Reg({"query", "HKEY_LOCAL_MACHINE\\Software\\Kaltrex", "/v", "PATH", "/s"});
    EXPECT_EQ(query.out, "\nHKEY_LOCAL_MACHINE\\Software\\Kaltrex\\Quorvane Zetra\\4.0\n"
                         "    Path    REG_SZ    C:\\Zetra\\\n\n");
    query = Reg({"query", key + "\\IniFilePath", "/ve"});
    EXPECT_NE(query.out.find("    (Default)    REG_SZ    C:\\Data\\\n"), std::string::npos);

    EXPECT_EQ(Reg({"delete", "HKLM\\Software\\Kaltrex", "/f"}).status, 0);
    query = Reg({"query", key});
    EXPECT_EQ(query.status, 1);
    EXPECT_EQ(query.err, "ERROR: The system was unable to find the specified registry key or "
                         "value.\n");
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\Quorvane Zetra\\4.0", "Path"),
              "<missing>");
}

TEST_F(QvuRegTest, BadArgumentsFailWithAMessage) {
    const std::vector<std::vector<std::string>> calls = {
        {},
        {"rename", "HKLM\\Software"},
        {"add"},
        {"add", "HKXX\\Software", "/d", "x"},
        {"add", "HKLM\\Software", "/v", "a", "/ve", "/d", "x"},
        {"add", "HKLM\\Software", "/v"},
        {"add", "HKLM\\Software", "/v", "n", "/t", "REG_DWORD", "/d", "twelve"},
        {"query", "HKLM\\Software\\Missing"},
        {"query", "HKLM\\Software", "/v", "Missing"},
        {"delete", "HKLM"},
        {"delete", "HKCU\\Software\\Missing"},
        {"import", (root.Folder() / "missing.reg").string()},
        {"export", "HKLM\\Software\\Missing", (root.Folder() / "out.reg").string()},
    };
    for (const auto& args : calls) {
        const ToolRun run = Reg(args);
        std::string line;
        for (const auto& arg : args)
            line += arg + " ";
        EXPECT_EQ(run.status, 1) << line;
        EXPECT_EQ(run.err.rfind("ERROR: ", 0), 0u) << line << ": " << run.err;
    }
}

TEST_F(QvuRegTest, ImportsBothHeaderStylesAndEncodings) {
    const std::string regedit4 = "REGEDIT4\n"
                                 "\n"
                                 "; a comment\n"
                                 "[HKEY_CURRENT_USER\\Software\\Four]\n"
                                 "@=\"default\"\n"
                                 "\"Quoted\"=\"say \\\"hi\\\" in C:\\\\Data\\\\\"\n"
                                 "\"Number\"=dword:0000001f\n"
                                 "\"Bytes\"=hex:01,02,\\\n"
                                 "  03,ff\n"
                                 "\"Expand\"=hex(2):25,54,45,4d,50,25,00\n";
    ASSERT_EQ(Reg({"import", WriteRegFile("four.reg", regedit4)}).status, 0);
    DWORD type = 0;
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Four", nullptr), Text("default"));
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Four", "Quoted", &type),
              Text("say \"hi\" in C:\\Data\\"));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Four", "Number", &type),
              std::string("\x1f\0\0\0", 4));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Four", "Bytes", &type),
              std::string("\x01\x02\x03\xff", 4));
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Four", "Expand", &type), Text("%TEMP%"));
    EXPECT_EQ(type, REG_EXPAND_SZ);

    // Version 5.00 as the registry editor writes it: UTF-16LE with byte order
    // mark, texts in hex form as UTF-16.
    const std::string five = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Five]\r\n"
                             "\"Name\"=\"Zürich\"\r\n"
                             "\"Expand\"=hex(2):25,00,54,00,00,00\r\n";
    std::string utf16 = "\xFF\xFE";
    for (const char16_t unit : std::u16string(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                              u"[HKEY_LOCAL_MACHINE\\Software\\Five]\r\n"
                                              u"\"Name\"=\"Zürich\"\r\n"
                                              u"\"Expand\"=hex(2):25,00,54,00,00,00\r\n")) {
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    ASSERT_EQ(Reg({"import", WriteRegFile("five16.reg", utf16)}).status, 0);
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, "Software\\Five", "Name"), Text("Zürich"));
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, "Software\\Five", "Expand"), Text("%T"));

    ASSERT_EQ(Reg({"delete", "HKLM\\Software\\Five"}).status, 0);
    ASSERT_EQ(Reg({"import", WriteRegFile("five8.reg", "\xEF\xBB\xBF" + five)}).status, 0);
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, "Software\\Five", "Name"), Text("Zürich"));
}

TEST_F(QvuRegTest, ImportedDeletionsRemoveKeysAndValues) {
    ASSERT_EQ(Reg({"add", "HKCU\\Software\\Old\\Deep\\Deeper", "/d", "x"}).status, 0);
    ASSERT_EQ(Reg({"add", "HKCU\\Software\\Keep", "/v", "Gone", "/d", "x"}).status, 0);
    ASSERT_EQ(Reg({"add", "HKCU\\Software\\Keep", "/v", "Stays", "/d", "y"}).status, 0);
    const std::string file = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[-HKEY_CURRENT_USER\\Software\\Old]\r\n\r\n"
                             "[-HKEY_CURRENT_USER\\Software\\NeverWas]\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Keep]\r\n"
                             "\"Gone\"=-\r\n";
    ASSERT_EQ(Reg({"import", WriteRegFile("delete.reg", file)}).status, 0);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Old", nullptr), "<missing>");
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Keep", "Gone"), "<missing>");
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Keep", "Stays"), Text("y"));
}

TEST_F(QvuRegTest, ExportedFileImportsToTheSameValues) {
    const std::string key = "HKCU\\Software\\Round";
    ASSERT_EQ(Reg({"add", key, "/v", "Text", "/d", "a \"quoted\" C:\\path\\"}).status, 0);
    ASSERT_EQ(Reg({"add", key, "/ve", "/d", "default"}).status, 0);
    ASSERT_EQ(
        Reg({"add", key + "\\Sub", "/v", "Number", "/t", "REG_DWORD", "/d", "0x12345678"}).status,
        0);
    ASSERT_EQ(Reg({"add", key + "\\Sub", "/v", "Lines", "/d", "one\ntwo"}).status, 0);
    ASSERT_EQ(
        Reg({"add", key + "\\Sub", "/v", "Blob", "/t", "REG_BINARY", "/d", std::string(200, 'a')})
            .status,
        0);
    // Stored without terminator, as the settings store writes texts.
    HKEY sub = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Round\\Sub", 0, KEY_WRITE, &sub),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(sub, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("bare"), 4),
              ERROR_SUCCESS);
    RegCloseKey(sub);

    const std::string first = (root.Folder() / "first.reg").string();
    ASSERT_EQ(Reg({"export", key, first}).status, 0);
    const std::string exported = qvutest::ReadFile(first);
    EXPECT_EQ(exported.rfind("Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Round]\r\n"
                             "@=\"default\"\r\n"
                             "\"Text\"=\"a \\\"quoted\\\" C:\\\\path\\\\\"\r\n",
                             0),
              0u)
        << exported;
    EXPECT_NE(exported.find("\"Number\"=dword:12345678\r\n"), std::string::npos);
    EXPECT_NE(exported.find(",\\\r\n  aa,"), std::string::npos) << "long hex data is wrapped";

    ASSERT_EQ(Reg({"delete", key}).status, 0);
    ASSERT_EQ(Reg({"import", first}).status, 0);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Round\\Sub", "Lines"), Text("one\ntwo"));
    const std::string second = (root.Folder() / "second.reg").string();
    ASSERT_EQ(Reg({"export", "HKEY_CURRENT_USER\\Software\\Round", second}).status, 0);
    EXPECT_EQ(qvutest::ReadFile(second), exported) << "the import restored every value exactly";
}

// Texts whose bytes are no UTF-8 cannot pass through the 5.00 format's
// UTF-16: the export keeps them byte for byte in the older format.
TEST_F(QvuRegTest, TextsThatAreNoUtf8SurviveExportAndImport) {
    const std::string key = "HKCU\\Software\\Bytes";
    const std::string lines = "caf\xE9\nline";
    ASSERT_EQ(Reg({"add", key, "/v", "Lines", "/d", lines}).status, 0);
    ASSERT_EQ(Reg({"add", key, "/v", "Plain", "/d", "caf\xE9"}).status, 0);
    const std::string file = (root.Folder() / "bytes.reg").string();
    ASSERT_EQ(Reg({"export", key, file}).status, 0);
    EXPECT_EQ(qvutest::ReadFile(file).rfind("REGEDIT4\r\n", 0), 0u) << qvutest::ReadFile(file);
    ASSERT_EQ(Reg({"delete", key}).status, 0);
    ASSERT_EQ(Reg({"import", file}).status, 0);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Bytes", "Lines"), Text(lines.c_str()));
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Bytes", "Plain"), Text("caf\xE9"));
}

TEST_F(QvuRegTest, MalformedFileChangesNothing) {
    const std::string good = "[HKEY_CURRENT_USER\\Software\\Half]\n\"First\"=\"written\"\n";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"no header", good},
        {"unterminated key", "REGEDIT4\n" + good + "[HKEY_CURRENT_USER\\Software\\Other\n"},
        {"bad hex", "REGEDIT4\n" + good + "\"Bytes\"=hex:01,zz,03\n"},
        {"long hex byte", "REGEDIT4\n" + good + "\"Bytes\"=hex:01,123\n"},
        {"bad dword", "REGEDIT4\n" + good + "\"N\"=dword:123456789\n"},
        {"unterminated text", "REGEDIT4\n" + good + "\"T\"=\"open\n"},
        {"hex past the end", "REGEDIT4\n" + good + "\"Bytes\"=hex:01,\\\n"},
        {"unknown root", "REGEDIT4\n" + good + "[HKEY_NOWHERE\\Software]\n"},
        {"value outside a key", "REGEDIT4\n\"Lost\"=\"value\"\n" + good},
        // The system's names end at a NUL: such a name would stand for another.
        {"NUL in a key name",
         "REGEDIT4\n" + good + std::string("[-HKEY_CURRENT_USER\\Software\\\0Half]\n", 36)},
        {"NUL in a value name", "REGEDIT4\n" + good + std::string("\"Fi\0rst\"=-\n", 11)},
    };
    for (const auto& [what, text] : files) {
        const ToolRun run = Reg({"import", WriteRegFile("bad.reg", text)});
        EXPECT_EQ(run.status, 1) << what;
        EXPECT_EQ(run.err.rfind("ERROR: ", 0), 0u) << what;
        EXPECT_NE(run.err.find("nothing was imported"), std::string::npos) << what;
        EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Half", "First"), "<missing>") << what;
    }
    EXPECT_NE(Reg({"import", WriteRegFile("bad.reg", files[2].second)}).err.find("line 4"),
              std::string::npos)
        << "the message names the line";
}

TEST_F(QvuRegTest, LongValuesAreKeptWhole) {
    std::string text(100 * 1024, 'x');
    for (std::size_t i = 0; i < text.size(); i += 97)
        text[i] = static_cast<char>('a' + i % 26);
    ASSERT_EQ(Reg({"add", "HKCU\\Software\\Long", "/v", "Text", "/d", text}).status, 0);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Long", "Text"), text + '\0');
    const ToolRun query = Reg({"query", "HKCU\\Software\\Long", "/v", "Text"});
    EXPECT_NE(query.out.find("REG_SZ    " + text + "\n"), std::string::npos);

    ASSERT_EQ(Reg({"import", WriteRegFile("long.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\"
                                                      "Long2]\n\"Text\"=\"" +
                                                          text + "\"\n")})
                  .status,
              0);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "Software\\Long2", "Text"), text + '\0');
}

} // namespace
