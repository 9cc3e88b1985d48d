#include "platform/debug.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

bool DebugOutputWanted() {
    const char* value = std::getenv("QVU_DEBUG_OUTPUT");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

// One write per line, so that lines of several threads or processes sharing
// the stream do not interleave.
void WriteLine(std::string_view text) {
    std::string line = "[" + std::to_string(getpid()) + "] ";
    line.append(text);
    line += '\n';
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t result = write(STDERR_FILENO, line.data() + written, line.size() - written);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return; // no one to tell
        written += static_cast<std::size_t>(result);
    }
}

// The start of the thread's current line, written when the line ends.
struct PendingLine {
    std::string text;
    ~PendingLine() {
        if (!text.empty())
            WriteLine(text);
    }
};
thread_local PendingLine pending;

} // namespace

void OutputDebugStringA(LPCSTR outputString) {
    if (outputString == nullptr || !DebugOutputWanted())
        return;
    std::string_view rest(outputString);
    for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
        pending.text.append(rest.substr(0, end));
        if (pending.text.ends_with('\r'))
            pending.text.pop_back();
        WriteLine(pending.text);
        pending.text.clear();
        rest.remove_prefix(end + 1);
    }
    pending.text.append(rest);
}

BOOL IsDebuggerPresent() {
    return FALSE;
}
