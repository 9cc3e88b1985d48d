// qvu-verdll: writes small DLLs with a version resource, like a product's
// QVVer.dll or the system's Kernel32.dll, and shows what the platform's
// version functions read from a file.
//   qvu-verdll [--fixed A.B.C.D] [--no-string] [--pe64] "FILEVERSION TEXT" OUT.dll
//   qvu-verdll --show FILE
// Exit status: 0 done, 1 a file could not be written or has no version
// resource, 2 bad arguments.

#include "platform/errors.h"
#include "platform/version.h"
#include "tools/qvu-verdll/PeWriter.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: qvu-verdll [--fixed A.B.C.D] [--no-string] [--pe64] \"FILEVERSION TEXT\" OUT.dll\n"
    "       qvu-verdll --show FILE\n"
    "  Writes OUT.dll, a resource-only DLL whose version resource holds the string\n"
    "  FileVersion (the text as given) and a fixed file version (--fixed, else the\n"
    "  numbers at the start of the text, separated by dots or commas; missing parts 0).\n"
    "  --no-string  leave the string table out\n"
    "  --pe64       write a 64-bit (PE32+) DLL instead of a 32-bit one\n"
    "  --show FILE  print the FileVersion string and the fixed file version found in FILE\n";

int Usage() {
    std::cerr << kUsage;
    return 2;
}

int Failure(const std::string& text) {
    std::cerr << "qvu-verdll: " << text << "\n";
    return 1;
}

// Up to four numbers (0 to 65535) at the start of text, separated by dots or
// commas with blanks allowed after a separator; missing parts are 0. When
// whole is set, the text must be nothing but the numbers.
std::optional<verdll::Version> ParseVersion(std::string_view text, bool whole) {
    verdll::Version version{};
    std::size_t at = 0;
    for (std::size_t part = 0; part < version.size(); ++part) {
        unsigned value = 0;
        const auto [stop, error] =
            std::from_chars(text.data() + at, text.data() + text.size(), value);
        if (error == std::errc::result_out_of_range || (error == std::errc() && value > 0xFFFF))
            return std::nullopt;
        if (error != std::errc()) {
            if (whole)
                return std::nullopt;
            break;
        }
        version[part] = static_cast<std::uint16_t>(value);
        at = static_cast<std::size_t>(stop - text.data());
        if (part + 1 == version.size() || at == text.size() || (text[at] != '.' && text[at] != ','))
            break;
        ++at;
        if (!whole)
            while (at < text.size() && text[at] == ' ')
                ++at;
    }
    if (whole && at != text.size())
        return std::nullopt;
    return version;
}

struct WriteRequest {
    std::optional<verdll::Version> fixed;
    bool withString = true;
    bool pe64 = false;
    std::vector<std::string> operands;
};

// The options of the writing form; nothing when they are not understood.
std::optional<WriteRequest> ParseWriteRequest(int argc, char** argv) {
    WriteRequest request;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--fixed" && i + 1 < argc) {
            request.fixed = ParseVersion(argv[++i], true);
            if (!request.fixed)
                return std::nullopt;
        } else if (argument == "--no-string") {
            request.withString = false;
        } else if (argument == "--pe64") {
            request.pe64 = true;
        } else if (argument.starts_with("--")) {
            return std::nullopt;
        } else {
            request.operands.emplace_back(argument);
        }
    }
    if (request.operands.size() != 2)
        return std::nullopt;
    return request;
}

int WriteDll(const WriteRequest& request) {
    const std::string& text = request.operands[0];
    const std::string& path = request.operands[1];
    const std::optional<verdll::Version> fixed =
        request.fixed ? request.fixed : ParseVersion(text, false);
    if (!fixed)
        return Failure("a number in \"" + text + "\" exceeds 65535; give --fixed");
    verdll::VersionResource resource{*fixed, std::nullopt};
    if (request.withString)
        resource.fileVersion = text;
    const std::vector<unsigned char> block = verdll::BuildVersionBlock(resource);
    if (block.empty())
        return Failure("the text is too long for a version resource");
    const std::vector<unsigned char> dll = verdll::BuildResourceDll(block, request.pe64);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(dll.data()), static_cast<std::streamsize>(dll.size()));
    out.close();
    if (!out)
        return Failure("cannot write " + path);
    return 0;
}

int Show(const char* path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return Failure(std::string(path) + " has no version resource (error " +
                       std::to_string(GetLastError()) + ")");
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoA(path, handle, size, data.data()))
        return Failure(std::string("cannot read the version resource of ") + path);
    void* value = nullptr;
    UINT length = 0;
    std::cout << "FileVersion: ";
    if (VerQueryValueA(data.data(), "\\StringFileInfo\\000004b0\\FileVersion", &value, &length))
        std::cout << static_cast<const char*>(value) << "\n";
    else
        std::cout << "none\n";
    std::cout << "Fixed: ";
    if (VerQueryValueA(data.data(), "\\", &value, &length)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        std::cout << (fixed->dwFileVersionMS >> 16) << "." << (fixed->dwFileVersionMS & 0xFFFF)
                  << "." << (fixed->dwFileVersionLS >> 16) << "."
                  << (fixed->dwFileVersionLS & 0xFFFF) << "\n";
    } else {
        std::cout << "none\n";
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        std::cout << kUsage;
        return 0;
    }
    if (argc >= 2 && std::string_view(argv[1]) == "--show")
        return argc == 3 ? Show(argv[2]) : Usage();
    const std::optional<WriteRequest> request = ParseWriteRequest(argc, argv);
    return request ? WriteDll(*request) : Usage();
}
