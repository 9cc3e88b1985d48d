// Shared by the tests of the network half of update retrieval: a served
// folder for qvu-server, the update server pointed at it, short time-outs,
// the dialog's window, recorded message boxes, and a full disk.
#pragma once

#include "platform/window_queue.h"
#include "tests/support/DigestText.h"
#include "tests/support/FullDisk.h"
#include "tests/support/LocalServer.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/UpdateTestSupport.h"
#include "update/Digest.h"

#include <filesystem>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include <random>

namespace qvutest {

// A command the dialog received: its id and value.
struct Command {
    WPARAM id = 0;
    LPARAM value = 0;
    bool operator==(const Command&) const = default;
};
inline void PrintTo(const Command& command, std::ostream* out) {
    *out << "{" << command.id << ", " << command.value << "}";
}

// An address of 127.0.0.1 on a port where nothing listens.
std::string RefusedAddress(const std::string& target);

// Bytes 0..size-1 of a fixed pseudo-random sequence.
std::string PackageBytes(std::size_t size);

class RetrievalTest : public UpdateTest {
protected:
    RetrievalTest();
    ~RetrievalTest() override;

    // Writes a file of the served folder (name may lead into subfolders).
    void Serve(const std::string& name, const std::string& bytes) const;
    // Makes server the update server of the code under test.
    void UseServer(const LocalServer& server);

    // The commands posted to the window, until a final one (1028 to 1030)
    // came or nothing came for timeoutMs.
    std::vector<Command> ReadCommands(DWORD timeoutMs = 5000) const;

    std::filesystem::path served = root.Folder() / "served";
    ScopedEnvironment environment;
    HWND window = platform::CreateWindowQueue();
};

// ---- Definitions ----

inline std::string RefusedAddress(const std::string& target) {
    return "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + target;
}

inline std::string PackageBytes(std::size_t size) {
    std::mt19937 generator(20240305);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator());
    return bytes;
}

inline RetrievalTest::RetrievalTest() {
    std::filesystem::create_directories(served);
    environment.Set("QVU_HTTP_CONNECT_TIMEOUT_MS", "2000");
    environment.Set("QVU_HTTP_RECEIVE_TIMEOUT_MS", "500");
}

inline RetrievalTest::~RetrievalTest() {
    DestroyWindow(window);
}

inline void RetrievalTest::Serve(const std::string& name, const std::string& bytes) const {
    WriteFile(served / name, bytes);
}

inline void RetrievalTest::UseServer(const LocalServer& server) {
    environment.Set("QVU_UPDATE_SERVER", server.Url(""));
}

inline std::vector<Command> RetrievalTest::ReadCommands(DWORD timeoutMs) const {
    std::vector<Command> commands;
    MSG message{};
    while (commands.size() < 100000 && platform::GetWindowMessage(window, &message, timeoutMs)) {
        commands.push_back({message.wParam, message.lParam});
        if (message.wParam >= 1028 && message.wParam <= 1030)
            break;
    }
    return commands;
}

} // namespace qvutest
