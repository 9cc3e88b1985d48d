// The engine and its window are two processes of two accounts: the engine
// runs as root, the window program and the page's WebKit processes as the
// desktop's user. The engine trusts the window with nothing but the user's
// acts: a window that goes, or says anything else, ends the run as a Cancel,
// with no installer started.
#include "tests/e2e/UpdateMachine.h"
#include "tests/e2e/XInput.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ShellStandIns.h"
#include "tests/support/VirtualDisplay.h"

#include "app/DialogTemplates.h"
#include "app/protocol/FrontEndProtocol.h"
#include "app/protocol/ProtocolPipe.h"
#include "platform/accounts.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/pipes.h"
#include "platform/process.h"
#include "platform/sync.h"

#include <X11/keysym.h>

#include <csignal>
#include <deque>
#include <fstream>
#include <mutex>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The processes below ancestor (its children, theirs, ...) by their names.
std::vector<std::pair<long, std::string>> Descendants(long ancestor) {
    std::map<long, std::pair<long, std::string>> processes; // pid: parent, name
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        char state = 0;
        long parent = 0;
        rest >> state >> parent;
        processes[std::stol(name)] = {parent, line.substr(open + 1, close - open - 1)};
    }
    std::vector<std::pair<long, std::string>> found;
    for (const auto& [pid, process] : processes) {
        for (long up = process.first; up > 1; up = processes.count(up) ? processes[up].first : 0) {
            if (up == ancestor) {
                found.emplace_back(pid, process.second);
                break;
            }
        }
    }
    return found;
}

class WindowProcessTest : public qvutest::UpdateMachineTest {
protected:
    void SetUp() override {
        UpdateMachineTest::SetUp();
        if (IsSkipped())
            return;
        InstallOlvin5();
    }
};

#ifdef QVU_WITH_WINDOW

// The window program and the page's processes run as the desktop's user,
// the engine as root; killing the window ends the run as a Cancel.
TEST_F(WindowProcessTest, WindowAndPageRunAsTheDesktopUserAndTheirEndIsACancel) {
    const qvutest::VirtualDisplay display;
    ASSERT_TRUE(display.Started());
    ServePackage(30000);
    ASSERT_TRUE(ShowWindowAsDesktopUser());
    const auto run = StartUpdate({"/display=" + Url("/pages/notes.html")}, "");
    const long engine = run->ProcessId();
    std::vector<std::pair<long, std::string>> below;
    const auto has = [&](const std::string& name) {
        return std::any_of(below.begin(), below.end(),
                           [&](const auto& process) { return process.second == name; });
    };
    ASSERT_TRUE(qvutest::WaitUntil(
        [&] {
            below = Descendants(engine);
            return has("QVUUpdateWindow") && has("WebKitWebProces") && has("WebKitNetworkPr");
        },
        20000))
        << run->ErrorsSoFar() << below.size();
    EXPECT_EQ(qvutest::AccountOfProcess(engine), 0);
    long window = 0;
    for (const auto& [pid, name] : below) {
        if (name == "QVUUpdateWindow")
            window = pid;
        if (name == "QVUUpdateWindow" || name.rfind("WebKit", 0) == 0) {
            EXPECT_EQ(qvutest::AccountOfProcess(pid), static_cast<long>(desktop->Uid())) << name;
        }
    }

    kill(static_cast<pid_t>(window), SIGKILL);
    const qvutest::ProgramRun ended = run->Wait(10);
    EXPECT_EQ(ended.exitStatus, 1) << ended.errors;
    EXPECT_EQ(InstallerRecord(500), "");
    EXPECT_NE(TraceLogText().find("The window program is lost"), std::string::npos);
}

struct DesktopStartCase {
    const char* name;
    int pkexecStatus; // what the authentication answers
    int exitStatus;   // the window program's
    const char* said;
};

class DesktopStartTest : public WindowProcessTest,
                         public ::testing::WithParamInterface<DesktopStartCase> {};

// From the desktop menu the window program starts as the user and starts
// the engine through pkexec (a stand-in here: the real one needs the
// system's polkit); an authentication cancelled or refused is a box that
// says so, and the program's status 1 or 2.
TEST_P(DesktopStartTest, TheWindowStartsTheEngineThroughPkexec) {
    const qvutest::VirtualDisplay display;
    ASSERT_TRUE(display.Started());
    ASSERT_TRUE(ShowWindowAsDesktopUser());
    const fs::path asked = root.Folder() / "marks" / "pkexec.args";
    fs::create_directories(asked.parent_path());
    fs::permissions(asked.parent_path(), fs::perms::all);
    qvutest::WriteScript(standIns / "pkexec", "printf '%s\\n' \"$*\" >'" + asked.string() +
                                                  "'\nexit " +
                                                  std::to_string(GetParam().pkexecStatus) + "\n");
    fs::permissions(standIns / "pkexec", fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add);

    // The user starts the window program from the menu: as the user, with
    // the user's environment.
    qvutest::ScopedEnvironment environment;
    for (const auto& [name, value] : UpdateEnvironment({{"QVU_DEBUG_OUTPUT", "1"}}))
        environment.Set(name, value);
    HANDLE token = nullptr;
    ASSERT_TRUE(WTSQueryUserToken(WTS_CURRENT_SESSION, &token));
    LPVOID block = nullptr;
    ASSERT_TRUE(CreateEnvironmentBlock(&block, token, TRUE));
    HANDLE errorsRead = nullptr, errorsWritten = nullptr, nothingRead = nullptr,
           nothingWritten = nullptr;
    ASSERT_TRUE(CreatePipe(&errorsRead, &errorsWritten, nullptr, 0));
    ASSERT_TRUE(CreatePipe(&nothingRead, &nothingWritten, nullptr, 0));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothingRead;
    startup.hStdOutput = nothingWritten;
    startup.hStdError = errorsWritten;
    PROCESS_INFORMATION started{};
    std::string commandLine = "QVUUpdateWindow";
    const std::string program = qvutest::ProgramPath("QVUUpdateWindow").string();
    ASSERT_TRUE(CreateProcessAsUserA(token, program.c_str(), commandLine.data(), nullptr, nullptr,
                                     FALSE, 0, block, nullptr, &startup, &started));
    DestroyEnvironmentBlock(block);
    CloseHandle(token);
    for (HANDLE handle : {errorsWritten, nothingRead, nothingWritten, started.hThread})
        CloseHandle(handle);

    std::string errors;
    std::mutex errorsLock;
    std::thread reader([&] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(errorsRead, buffer, sizeof buffer, &got, nullptr)) {
            const std::lock_guard<std::mutex> held(errorsLock);
            errors.append(buffer, got);
        }
    });
    // The box is answered once the window has said what it shows: no client
    // of the X server looks for it before, as the window's own connection
    // could wait behind them.
    EXPECT_TRUE(qvutest::WaitUntil(
        [&] {
            const std::lock_guard<std::mutex> held(errorsLock);
            return errors.find(GetParam().said) != std::string::npos;
        },
        20000));
    EXPECT_TRUE(qvutest::WaitUntil(
        [] {
            const bool pressed = qvutest::PressKeyInWindow("QVUUpdate", XK_Return);
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            return pressed;
        },
        10000));
    EXPECT_EQ(WaitForSingleObject(started.hProcess, 10000), WAIT_OBJECT_0);
    DWORD status = 0;
    GetExitCodeProcess(started.hProcess, &status);
    CloseHandle(started.hProcess);
    reader.join();
    CloseHandle(errorsRead);
    EXPECT_EQ(static_cast<int>(status), GetParam().exitStatus) << errors;
    EXPECT_NE(errors.find(GetParam().said), std::string::npos) << errors;
    EXPECT_EQ(qvutest::ReadFile(asked),
              qvutest::ProgramPath("QVUUpdate").string() + " --window-pipe\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DesktopStartTest,
    ::testing::Values(DesktopStartCase{"Cancelled", 126, 1, "authentication was cancelled"},
                      DesktopStartCase{"Refused", 127, 2, "which was refused"}),
    [](const auto& info) { return std::string(info.param.name); });

// The window program never runs as root.
TEST_F(WindowProcessTest, TheWindowProgramRefusesRoot) {
    const qvutest::ProgramRun run =
        qvutest::RunProgram(qvutest::ProgramPath("QVUUpdateWindow"), {}, {{"DISPLAY", ":9"}}, "",
                            root.Folder() / "window-as-root");
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_NE(run.errors.find("does not run as root"), std::string::npos) << run.errors;
}

#endif

// A window program of the test's own making: it speaks the protocol's bytes
// to a real engine (QVUUpdate --window-pipe) as it is told.
class ScriptedWindow {
public:
    explicit ScriptedWindow(const std::map<std::string, std::string>& environment) {
        for (const auto& [name, value] : environment)
            environment_.Set(name, value);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PeerPipes pipes;
        EXPECT_TRUE(pipes.Create(startup));
        PROCESS_INFORMATION started{};
        std::string commandLine = "QVUUpdate --window-pipe";
        const std::string program = qvutest::ProgramPath("QVUUpdate").string();
        EXPECT_TRUE(CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &startup, &started));
        pipes.ClosePeerEnds();
        CloseHandle(started.hThread);
        fromEngine_ = pipes.ReleaseFromPeer();
        toEngine_ = pipes.ReleaseToPeer();
        engine_ = started.hProcess;
        reader_ = std::thread([this] {
            std::string payload;
            while (ReceiveFrame(fromEngine_, payload) == FrameStatus::Received) {
                const std::lock_guard<std::mutex> held(lock_);
                if (auto message = ParseViewMessage(payload))
                    received_.push_back(*message);
            }
        });
        Send(EncodeFrame(ActMessage{ActHello{}}));
    }
    ~ScriptedWindow() {
        CloseHandle(toEngine_);
        if (WaitForSingleObject(engine_, 10000) != WAIT_OBJECT_0)
            ADD_FAILURE() << "the engine did not end";
        reader_.join();
        CloseHandle(fromEngine_);
        CloseHandle(engine_);
    }

    void Send(const std::string& bytes) {
        DWORD written = 0;
        WriteFile(toEngine_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    void Close() {
        CloseHandle(toEngine_);
        toEngine_ = nullptr;
    }
    // Waits for a message the engine sent that matches; false after timeoutMs.
    template <class Message>
    std::optional<Message> Await(const std::function<bool(const Message&)>& matches,
                                 int timeoutMs = 15000) {
        std::optional<Message> found;
        qvutest::WaitUntil(
            [&] {
                const std::lock_guard<std::mutex> held(lock_);
                for (; seen_ < received_.size() && !found; ++seen_)
                    if (const auto* message = std::get_if<Message>(&received_[seen_]);
                        message != nullptr && matches(*message))
                        found = *message;
                return found.has_value();
            },
            timeoutMs);
        return found;
    }
    bool AwaitEnabled(int control) {
        return Await<ViewChange>([control](const ViewChange& change) {
                   return change.controlId == control &&
                          change.kind == platform::DialogChangeKind::Enabled &&
                          change.state.enabled;
               })
            .has_value();
    }
    // The engine's exit status once it ended within timeoutMs; -1 otherwise.
    int EngineStatus(DWORD timeoutMs) const {
        DWORD status = 0;
        if (WaitForSingleObject(engine_, timeoutMs) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(engine_, &status))
            return -1;
        return static_cast<int>(status);
    }

private:
    qvutest::ScopedEnvironment environment_;
    HANDLE toEngine_ = nullptr;
    HANDLE fromEngine_ = nullptr;
    HANDLE engine_ = nullptr;
    std::thread reader_;
    std::mutex lock_;
    std::deque<ViewMessage> received_;
    std::size_t seen_ = 0;
};

std::string Frame(const std::string& payload) {
    std::string frame;
    for (int shift = 24; shift >= 0; shift -= 8)
        frame += static_cast<char>((payload.size() >> shift) & 0xFF);
    return frame + payload;
}

struct BrokenWindowCase {
    const char* name;
    std::string bytes; // sent once Start is offered
    bool close;        // then the pipe closes
};

class BrokenWindowTest : public WindowProcessTest,
                         public ::testing::WithParamInterface<BrokenWindowCase> {};

// Whatever a window sends that is no act of the user, or its going, ends
// the run as a Cancel, at once and without a question.
TEST_P(BrokenWindowTest, EndsTheRunAsACancel) {
    ServePackage(30000);
    ScriptedWindow window(UpdateEnvironment({}));
    ASSERT_TRUE(window.AwaitEnabled(kStartButton));
    window.Send(GetParam().bytes);
    if (GetParam().close)
        window.Close();
    EXPECT_EQ(window.EngineStatus(5000), 1);
    EXPECT_EQ(InstallerRecord(200), "");
    EXPECT_NE(TraceLogText().find("The window program is lost"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenWindowTest,
    ::testing::Values(BrokenWindowCase{"Gone", "", true},
                      BrokenWindowCase{"NoFrame", "GET / HTTP/1.1\r\n\r\n", false},
                      BrokenWindowCase{"EmptyFrame", std::string(4, '\0'), false},
                      BrokenWindowCase{"GoneInsideAFrame",
                                       std::string("\0\0\0\x09"
                                                   "cli",
                                                   7),
                                       true},
                      BrokenWindowCase{"UnknownAct",
                                       Frame(std::string("install\0"
                                                         "1",
                                                         9)),
                                       false},
                      BrokenWindowCase{"GreetingAgain", EncodeFrame(ActMessage{ActHello{}}), false},
                      BrokenWindowCase{"AnswerNeverAsked",
                                       EncodeFrame(ActMessage{ActAnswer{99, IDYES}}), false}),
    [](const auto& info) { return std::string(info.param.name); });

// An answer the open question does not offer (OK to a Yes/No question)
// ends the run as a Cancel in the middle of the download, installing nothing.
TEST_F(WindowProcessTest, AnAnswerTheQuestionDoesNotOfferEndsTheRun) {
    const auto slow = ServePackageBadly(1 << 20, {"--rate", "131072"});
    ScriptedWindow window(UpdateEnvironment({}));
    ASSERT_TRUE(window.AwaitEnabled(kStartButton));
    window.Send(EncodeFrame(ActMessage{ActClick{IDOK}}));
    ASSERT_TRUE(window.Await<ViewChange>([](const ViewChange& change) {
        return change.controlId == kProgressBar && change.state.visible;
    }));
    window.Send(EncodeFrame(ActMessage{ActClick{IDCANCEL}}));
    const auto box = window.Await<ViewBox>([](const ViewBox&) { return true; });
    ASSERT_TRUE(box);
    window.Send(EncodeFrame(ActMessage{ActAnswer{box->question, IDOK}}));
    EXPECT_EQ(window.EngineStatus(5000), 1);
    EXPECT_EQ(InstallerRecord(200), "");
}

// A Cancel while the update check waits on a server that does not answer
// ends the run within a second, as a Cancel.
TEST_F(WindowProcessTest, CancelDuringTheUpdateCheckEndsTheRunAtOnce) {
    ServePackage(30000);
    qvutest::LocalServer stalling(served, {"--only", "/QVU.ini", "--stall-after", "0"});
    ASSERT_TRUE(stalling.Started());
    UseUpdateServer(stalling.Url(""));
    ScriptedWindow window(UpdateEnvironment({{"QVU_HTTP_RECEIVE_TIMEOUT_MS", "20000"}}));
    ASSERT_TRUE(window.Await<ViewChange>([](const ViewChange& change) {
        return change.controlId == kInstalledVersionText && !change.state.text.empty();
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto cancelled = Clock::now();
    window.Send(EncodeFrame(ActMessage{ActClick{IDCANCEL}}));
    EXPECT_EQ(window.EngineStatus(5000), 1);
    EXPECT_LT(Clock::now() - cancelled, std::chrono::milliseconds(1000));
    EXPECT_TRUE(window.Await<ViewEnd>([](const ViewEnd&) { return true; }, 1000));
}

} // namespace
