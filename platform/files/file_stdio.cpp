// The runtime library's _fsopen: a C stream on a Windows path whose open is
// admitted by the share modes like CreateFileA's. Text mode stores "\n" as
// CR LF and reads CR LF as "\n"; stream positions are those of the file's
// bytes.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/files/file_open.h"
#include "platform/files/native_path.h"

#include <cerrno>
#include <string>
#include <unistd.h>

namespace {

struct StreamMode {
    DWORD access = 0;
    DWORD disposition = 0;
    bool append = false;
    bool text = true; // the runtime's default
};

struct Stream {
    platform::SharedFile file;
    StreamMode mode;
};

bool ParseMode(const char* text, StreamMode& mode) {
    const std::string_view flags(text);
    if (flags.empty())
        return false;
    const bool update = flags.find('+') != std::string_view::npos;
    switch (flags[0]) {
    case 'r':
        mode.access = GENERIC_READ | (update ? GENERIC_WRITE : 0);
        mode.disposition = OPEN_EXISTING;
        break;
    case 'w':
        mode.access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
        mode.disposition = CREATE_ALWAYS;
        break;
    case 'a':
        mode.access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
        mode.disposition = OPEN_ALWAYS;
        mode.append = true;
        break;
    default:
        return false;
    }
    mode.text = flags.find('b') == std::string_view::npos;
    return true;
}

bool ShareModeOf(int shflag, DWORD& shareMode) {
    switch (shflag) {
    case _SH_DENYRW:
        shareMode = 0;
        return true;
    case _SH_DENYWR:
        shareMode = FILE_SHARE_READ;
        return true;
    case _SH_DENYRD:
        shareMode = FILE_SHARE_WRITE;
        return true;
    case _SH_DENYNO:
        shareMode = FILE_SHARE_READ | FILE_SHARE_WRITE;
        return true;
    default:
        return false;
    }
}

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return EACCES;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    default:
        return EINVAL;
    }
}

bool WriteAll(int fd, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t put = write(fd, bytes, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

ssize_t ReadStream(void* cookie, char* buffer, std::size_t size) {
    auto* stream = static_cast<Stream*>(cookie);
    const int fd = stream->file.Fd();
    ssize_t got;
    do
        got = read(fd, buffer, size);
    while (got < 0 && errno == EINTR);
    if (got <= 0 || !stream->mode.text)
        return got;
    // A CR at the end of the block: the next byte tells whether it ends a line.
    ssize_t joinedLineEnd = -1;
    if (buffer[got - 1] == '\r') {
        char next;
        if (read(fd, &next, 1) == 1) {
            if (next == '\n') {
                buffer[got - 1] = '\n';
                joinedLineEnd = got - 1;
            } else {
                lseek(fd, -1, SEEK_CUR);
            }
        }
    }
    ssize_t kept = 0;
    for (ssize_t i = 0; i < got; ++i) {
        const bool lineEndCr =
            buffer[i] == '\r' && i + 1 < got && buffer[i + 1] == '\n' && i + 1 != joinedLineEnd;
        if (!lineEndCr)
            buffer[kept++] = buffer[i];
    }
    return kept;
}

ssize_t WriteStream(void* cookie, const char* buffer, std::size_t size) {
    auto* stream = static_cast<Stream*>(cookie);
    const int fd = stream->file.Fd();
    if (stream->mode.append && lseek(fd, 0, SEEK_END) < 0)
        return 0;
    if (!stream->mode.text)
        return WriteAll(fd, buffer, size) ? static_cast<ssize_t>(size) : 0;
    std::string translated;
    translated.reserve(size + size / 8);
    for (std::size_t i = 0; i < size; ++i) {
        if (buffer[i] == '\n')
            translated += '\r';
        translated += buffer[i];
    }
    return WriteAll(fd, translated.data(), translated.size()) ? static_cast<ssize_t>(size) : 0;
}

int SeekStream(void* cookie, off64_t* offset, int whence) {
    const off_t position = lseek(static_cast<Stream*>(cookie)->file.Fd(), *offset, whence);
    if (position < 0)
        return -1;
    *offset = position;
    return 0;
}

int CloseStream(void* cookie) {
    delete static_cast<Stream*>(cookie);
    return 0;
}

} // namespace

FILE* _fsopen(const char* filename, const char* mode, int shflag) {
    StreamMode parsed;
    DWORD shareMode = 0;
    if (filename == nullptr || mode == nullptr || !ParseMode(mode, parsed) ||
        !ShareModeOf(shflag, shareMode)) {
        errno = EINVAL;
        return nullptr;
    }
    platform::SharedFile file = platform::OpenSharedFile(
        platform::ToNativePath(filename), parsed.access, shareMode, parsed.disposition, 0);
    if (!file.IsOpen()) {
        errno = ErrnoOf(GetLastError());
        return nullptr;
    }
    auto* stream = new Stream{std::move(file), parsed};
    const bool reads = parsed.access & GENERIC_READ;
    const bool writes = parsed.access & GENERIC_WRITE;
    // The C library's mode only says which directions are allowed; creation,
    // truncation and appending are done here.
    const char* directions = reads && writes ? "r+" : (reads ? "r" : "w");
    FILE* result =
        fopencookie(stream, directions, {ReadStream, WriteStream, SeekStream, CloseStream});
    if (result == nullptr)
        delete stream;
    return result;
}
