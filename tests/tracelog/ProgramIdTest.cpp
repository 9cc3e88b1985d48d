#include "tests/support/MessageBoxRecorder.h"
#include "tests/tracelog/TraceLogFixture.h"
#include "tracelog/TraceLog.h"

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using qvutest::TraceLogTest;

// The half of the next test that runs as a program of another name.
TEST(TraceLogProgram, ChildWritesALine) {
    if (std::getenv("QVU_TEST_TRACELOG_PROGRAM") == nullptr)
        GTEST_SKIP() << "runs only as the child of the next test";
    qvutest::MessageBoxRecorder boxes;
    TraceLog(0).Write(0, "child", true);
    EXPECT_TRUE(boxes.Boxes().empty());
}

// The program id is the first four letters of the program's name; some
// programs never log, and the hosts anir and anis log only for the QVSE module.
TEST_F(TraceLogTest, ProgramsNamedQvguRegsOrQvunNeverLog) {
    struct Case {
        const char* program;
        const char* id; // "" : no log, no lock
    };
    const Case cases[] = {{"QVGUTool", ""}, {"regsvc", ""},        {"QvUnInst", ""},
                          {"anirHost", ""}, {"QVUUpdate", "QVUU"}, {"Qvu", "Qvu"}};
    for (const Case& c : cases) {
        const fs::path program = root.Folder() / "Tools" / c.program;
        fs::create_directories(program.parent_path());
        fs::copy_file(fs::read_symlink("/proc/self/exe"), program);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("QVU_TEST_TRACELOG_PROGRAM", "1", 1);
            execl(program.c_str(), c.program, "--gtest_filter=TraceLogProgram.*",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.program;
        std::vector<std::string> logs;
        for (const auto& entry : fs::directory_iterator(drive / "Data")) {
            if (entry.path().extension() == ".log")
                logs.push_back(entry.path().filename().string());
        }
        bool locked = false;
        if (fs::exists(root.Root() / "locks")) {
            for (const auto& entry : fs::recursive_directory_iterator(root.Root() / "locks"))
                locked |=
                    entry.path().filename().string().find("LogLockingMutex") != std::string::npos;
        }
        if (*c.id == '\0') {
            EXPECT_TRUE(logs.empty()) << c.program;
            EXPECT_FALSE(locked) << c.program;
        } else {
            EXPECT_EQ(logs, std::vector<std::string>{TodaysLogName(c.id)}) << c.program;
            EXPECT_EQ(TextOf(Lines(drive / "Data" / logs[0]).back()), "child");
        }
        for (const std::string& log : logs)
            fs::remove(drive / "Data" / log);
    }
}

// A shutdown before the first line leaves no start-up behind: the next object
// of an important level starts the log itself and says so.
TEST_F(TraceLogTest, AnObjectMadeAfterAnEarlyShutdownStartsTheLogWithAWarning) {
    TraceLog::StopLogging(false, false);
    TraceLog(7).Write(0, "not written", false);
    EXPECT_FALSE(fs::exists(LocalLog()));
    TraceLog log(0);
    const auto lines = Lines(LocalLog());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(TextOf(lines[0]).rfind("Starting Program/DLL", 0), 0u);
    EXPECT_EQ(TextOf(lines[1]), "warning calling TraceLog without initializing");
    log.Write(0, "written", false);
    EXPECT_EQ(Lines(LocalLog()).back(), "written");
}

} // namespace
