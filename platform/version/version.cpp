#include "platform/version.h"

#include "platform/errors.h"
#include "platform/files/native_path.h"
#include "platform/runtime/native_errors.h"
#include "platform/system_info.h"
#include "platform/version/pe_resources.h"
#include "platform/version/version_block.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Version resources sit in the first megabytes of any real library; a larger
// file is refused rather than read whole into memory.
constexpr off_t kMaxImageSize = off_t{256} << 20;

// The native path of a file to read. A bare name is searched for like the
// system's library search finds a library: the system folder first (where
// Kernel32.dll lives), then the current folder (where a bare "QVVer.dll" is meant).
std::string NativeFileFor(std::string_view fileName) {
    if (fileName.find_first_of("\\/:") == std::string_view::npos) {
        char folder[MAX_PATH];
        const UINT length = GetSystemDirectoryA(folder, sizeof folder);
        if (length > 0 && length < sizeof folder) {
            const std::string separator = folder[length - 1] == '\\' ? "" : "\\";
            const std::string inSystem =
                platform::ToNativePath(std::string(folder) + separator + std::string(fileName));
            if (!inSystem.empty() && access(inSystem.c_str(), F_OK) == 0)
                return inSystem;
        }
    }
    return platform::ToNativePath(fileName);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

// The whole file, or nothing with the error set.
std::optional<std::vector<unsigned char>> ReadImage(LPCSTR fileName) {
    if (fileName == nullptr || *fileName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    const std::string native = NativeFileFor(fileName);
    if (native.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    // A pipe or device in the file's place is refused below, never waited on.
    const FileDescriptor file(open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st;
    if (file.Get() < 0 || fstat(file.Get(), &st) != 0) {
        platform::SetLastErrorFromErrno(errno);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    if (st.st_size > kMaxImageSize) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return std::nullopt;
    }
    std::vector<unsigned char> image(static_cast<std::size_t>(st.st_size));
    std::size_t filled = 0;
    while (filled < image.size()) {
        const ssize_t got = read(file.Get(), image.data() + filled, image.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            platform::SetLastErrorFromErrno(errno);
            return std::nullopt;
        }
        if (got == 0)
            break; // the file shrank while being read
        filled += static_cast<std::size_t>(got);
    }
    image.resize(filled);
    return image;
}

// The version resource of a file with the size of its data; size 0 with the
// error set when there is none. The resource points into image.
std::size_t FindVersionData(LPCSTR fileName, std::vector<unsigned char>& image,
                            std::span<const unsigned char>& resource) {
    std::optional<std::vector<unsigned char>> read = ReadImage(fileName);
    if (!read)
        return 0;
    image = std::move(*read);
    const DWORD error = platform::ReadVersionResource(image.data(), image.size(), resource);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return 0;
    }
    const std::size_t size = platform::VersionInfoDataSize(resource);
    if (size == 0)
        SetLastError(ERROR_INVALID_DATA);
    return size;
}

bool NamesRoot(std::string_view subBlock) {
    return subBlock.find_first_not_of('\\') == std::string_view::npos;
}

// Callers read the whole fixed information: a shorter or unsigned one counts as missing.
bool IsWholeFixedInfo(const unsigned char* data, const platform::VersionNode& node) {
    DWORD signature = 0;
    if (node.valueSize < sizeof(VS_FIXEDFILEINFO))
        return false;
    std::memcpy(&signature, data + node.valueOffset, sizeof signature);
    return signature == VS_FFI_SIGNATURE;
}

} // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle) {
    if (handle != nullptr)
        *handle = 0;
    std::vector<unsigned char> image;
    std::span<const unsigned char> resource;
    return static_cast<DWORD>(FindVersionData(fileName, image, resource));
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD size, LPVOID data) {
    if (data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<unsigned char> image;
    std::span<const unsigned char> resource;
    const std::size_t needed = FindVersionData(fileName, image, resource);
    if (needed == 0)
        return FALSE;
    if (needed > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    platform::LayOutVersionInfoData(resource, static_cast<unsigned char*>(data));
    return TRUE;
}

std::vector<BYTE> platform::VersionInfoOfResource(const void* resource, std::size_t size) {
    const std::span<const unsigned char> block(static_cast<const unsigned char*>(resource), size);
    const std::size_t needed = VersionInfoDataSize(block);
    if (needed == 0) {
        SetLastError(ERROR_INVALID_DATA);
        return {};
    }
    std::vector<BYTE> data(needed);
    LayOutVersionInfoData(block, data.data());
    return data;
}

std::vector<BYTE> platform::VersionInfoOfImage(const void* image, std::size_t size) {
    std::span<const unsigned char> resource;
    const DWORD error =
        ReadVersionResource(static_cast<const unsigned char*>(image), size, resource);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return {};
    }
    return VersionInfoOfResource(resource.data(), resource.size());
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) {
    if (block == nullptr || subBlock == nullptr || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* data = static_cast<const unsigned char*>(block);
    const std::optional<platform::VersionNode> node = platform::FindVersionNode(data, subBlock);
    const bool isFixedInfo = NamesRoot(subBlock);
    if (!node || (isFixedInfo && !IsWholeFixedInfo(data, *node))) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    UINT size = static_cast<UINT>(node->valueSize);
    const void* value = data + node->valueOffset;
    if (node->isText && !isFixedInfo) {
        const char* narrow = platform::NarrowValueOf(data, *node);
        if (narrow == nullptr) {
            SetLastError(ERROR_INVALID_DATA);
            return FALSE;
        }
        value = narrow;
        size = node->valueSize == 0 ? 0 : static_cast<UINT>(std::strlen(narrow) + 1);
    }
    // The caller's own buffer: Windows hands the pointer out without const too.
    *buffer = const_cast<void*>(value);
    if (length != nullptr)
        *length = size;
    return TRUE;
}
