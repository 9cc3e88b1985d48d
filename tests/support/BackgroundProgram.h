// A program the tests start in the background (a server, an X server): its
// standard output on a pipe whose first line announces it (unless it
// announces nothing), and always ended (SIGTERM, then SIGKILL) when the
// object goes.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace qvutest {

class BackgroundProgram {
public:
    // How the program tells that it is ready.
    enum class Announcement { FirstLine, Nothing };

    // Starts words[0] with the rest as its arguments and waits up to 20 s
    // for the first line it writes; a program that announces Nothing is not
    // waited for (its caller finds out otherwise when it is ready).
    explicit BackgroundProgram(std::vector<std::string> words,
                               Announcement announcement = Announcement::FirstLine);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    // "" when it wrote none in time or did not start.
    const std::string& FirstLine() const { return firstLine_; }

    // Whether it runs: false when it never started or has ended by itself.
    bool Running();

    // Ends it with SIGTERM and answers its exit code; -1 when it did not end
    // by itself within a few seconds and had to be killed, or never ran. One
    // that had ended already answers the code it ended with.
    int Stop();

private:
    pid_t pid_ = -1;
    int exitCode_ = -1;
    int output_ = -1;
    std::string firstLine_;
};

} // namespace qvutest
