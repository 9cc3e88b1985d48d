// Catches what the process writes to standard error (file descriptor 2)
// while the object lives; Text() ends the capture and answers it.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace qvutest {

class StandardErrorCapture {
public:
    StandardErrorCapture() {
        int ends[2];
        if (pipe(ends) != 0)
            throw std::runtime_error("cannot create a pipe");
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        dup2(ends[1], STDERR_FILENO);
        close(ends[1]);
        reader_ = ends[0];
    }
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;
    ~StandardErrorCapture() { Text(); }

    // Everything written so far; the pipe holds 64 KiB, far more than a test writes.
    std::string Text() {
        if (reader_ < 0)
            return text_;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO); // closes the last writing end: the read below ends
        close(saved_);
        char buffer[4096];
        for (ssize_t n; (n = read(reader_, buffer, sizeof buffer)) > 0;)
            text_.append(buffer, static_cast<std::size_t>(n));
        close(reader_);
        reader_ = -1;
        return text_;
    }

private:
    int saved_ = -1;
    int reader_ = -1;
    std::string text_;
};

} // namespace qvutest
