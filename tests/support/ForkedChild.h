// A forked child process for tests that need a second process holding a file
// or a mutex. Parent and child talk one byte at a time through a socket pair;
// the child ends when its body returns or when the parent goes away, so it
// never outlives the test.
#pragma once

#include <functional>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qvutest {

class ChildProcess {
public:
    // One end of the conversation.
    struct Channel {
        int fd = -1;
        void Send(char byte) const { send(fd, &byte, 1, MSG_NOSIGNAL); }
        // The next byte, or 0 when none comes in time or the other side is gone.
        char Receive(int timeoutMs = 5000) const {
            pollfd ready{fd, POLLIN, 0};
            char byte = 0;
            if (poll(&ready, 1, timeoutMs) == 1 && recv(fd, &byte, 1, 0) == 1)
                return byte;
            return 0;
        }
    };

    explicit ChildProcess(const std::function<void(const Channel&)>& body) {
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ends[0]);
            body(Channel{ends[1]});
            _exit(0);
        }
        close(ends[1]);
        parent_ = Channel{ends[0]};
    }

    ~ChildProcess() {
        Kill();
        close(parent_.fd);
    }

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    const Channel& Talk() const { return parent_; }

    // Lets the child's body go on from its last Receive and waits for its end.
    void Finish() {
        parent_.Send('x');
        Reap();
    }

    void Kill() {
        if (pid_ > 0)
            kill(pid_, SIGKILL);
        Reap();
    }

private:
    void Reap() {
        if (pid_ > 0)
            waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    pid_t pid_ = -1;
    Channel parent_;
};

} // namespace qvutest
