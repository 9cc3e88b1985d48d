// Settings writers killed (SIGKILL) at random moments, again and again: a
// process writes one value of an INI file or of the registry over and over
// through the settings store, and is killed halfway through one of its
// writes. Each time the value read afterwards is whole and is the one of the
// last write that finished or of the one under way, the rest of the file or
// hive is untouched, and the next write succeeds.
#include "settings/QVRegistry.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <random>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* kIniFile = "C:\\Data\\Main.ini";

// The value of write n: its number, then a letter that changes from one
// write to the next, so that a value cut short or mixed from two writes shows.
std::string Value(std::uint32_t n, std::size_t length) {
    std::string value = std::to_string(n) + ":";
    value.resize(length, static_cast<char>('a' + n % 26));
    return value;
}

// One settings store and what is written to it.
struct Store {
    const char* name;
    std::size_t valueLength;
    // Writes the value (in the killed writer and in the test); false on failure.
    bool (*write)(const std::string& value);
    std::string (*read)();
    // The values besides the one written, each filler(i) under its own name.
    bool (*writeFiller)(int i, const std::string& value);
    std::string (*readFiller)(int i);
    int fillers;
    std::size_t fillerLength;
    // How many times the writer is killed.
    int kills;
};

// The settings store of a product: its INI file, or with none its registry values.
QVRegistry Settings(const char* iniFile) {
    return QVRegistry("Kaltrex", "Quorvane Zetra", "4.0", "QVZ", iniFile);
}

std::string FillerName(int i) {
    return "Filler" + std::to_string(i);
}

std::string Filler(int i, std::size_t length) {
    return FillerName(i) + std::string(length, 'f');
}

const Store kStores[] = {
    // A file of some 250 KB, rewritten whole by every write.
    {"INI file", 2000,
     [](const std::string& value) {
         return Settings(kIniFile).WriteValue("Run", "Counter", value.c_str()) == QVR_OK;
     },
     [] {
         KxString value;
         Settings(kIniFile).ReadValue("Run", "Counter", value);
         return std::string(static_cast<const char*>(value));
     },
     [](int i, const std::string& value) {
         return Settings(kIniFile).WriteValue("Other", FillerName(i).c_str(), value.c_str()) ==
                QVR_OK;
     },
     [](int i) {
         KxString value;
         Settings(kIniFile).ReadValue("Other", FillerName(i).c_str(), value);
         return std::string(static_cast<const char*>(value));
     },
     40, 6000, 10},
    // A value of many pages of the hive.
    {"registry", 512 * 1024,
     [](const std::string& value) {
         return Settings(nullptr).WriteRegistry(HKEY_CURRENT_USER, "Fault\\Counter", value.c_str(),
                                                false) == QVR_OK;
     },
     [] {
         KxString value;
         Settings(nullptr).ReadRegistry(HKEY_CURRENT_USER, "Fault\\Counter", value);
         return std::string(static_cast<const char*>(value));
     },
     [](int i, const std::string& value) {
         return Settings(nullptr).WriteRegistry(HKEY_CURRENT_USER,
                                                ("Fault\\" + FillerName(i)).c_str(), value.c_str(),
                                                false) == QVR_OK;
     },
     [](int i) {
         KxString value;
         Settings(nullptr).ReadRegistry(HKEY_CURRENT_USER, ("Fault\\" + FillerName(i)).c_str(),
                                        value);
         return std::string(static_cast<const char*>(value));
     },
     20, 1000, 20},
};

// A forked writer: writes the values 1, 2, 3, ... and reports the number of
// each write that finished (0: a write failed) until it is killed.
class KilledWriter {
public:
    explicit KilledWriter(const Store& store) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            return;
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            close(ends[0]);
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent)
                _exit(2);
            for (std::uint32_t n = 1;; ++n) {
                const std::uint32_t report = store.write(Value(n, store.valueLength)) ? n : 0;
                if (write(ends[1], &report, sizeof report) != sizeof report || report == 0)
                    _exit(1);
            }
        }
        close(ends[1]);
        reports_ = ends[0];
    }
    ~KilledWriter() {
        Kill();
        if (reports_ >= 0)
            close(reports_);
    }
    KilledWriter(const KilledWriter&) = delete;
    KilledWriter& operator=(const KilledWriter&) = delete;

    // Waits for the first finished write; false when none came in time.
    bool Writing() {
        pollfd ready{reports_, POLLIN, 0};
        return poll(&ready, 1, 10000) == 1 && Read() && last_ > 0;
    }

    // Kills the writer and answers the number of the last write that
    // finished; 0 when one failed.
    std::uint32_t Kill() {
        if (pid_ <= 0)
            return last_;
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        while (Read()) {
        }
        return failed_ ? 0 : last_;
    }

private:
    bool Read() {
        std::uint32_t report = 0;
        if (read(reports_, &report, sizeof report) != sizeof report)
            return false;
        failed_ |= report == 0;
        last_ = report;
        return true;
    }

    pid_t pid_ = -1;
    int reports_ = -1;
    std::uint32_t last_ = 0;
    bool failed_ = false;
};

// The number a value starts with, or -1 when it starts with none.
long long NumberOf(const std::string& value) {
    const std::size_t colon = value.find(':');
    if (colon == 0 || colon == std::string::npos || colon > 10)
        return -1;
    for (std::size_t i = 0; i < colon; ++i)
        if (value[i] < '0' || value[i] > '9')
            return -1;
    return std::stoll(value.substr(0, colon));
}

// The temporaries that writers of the INI file leave in its folder.
std::size_t Temporaries(const fs::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().filename().string().find(".~") != std::string::npos;
    return count;
}

TEST(KilledWriterTest, ValueOfAWriteCutByAKillIsTheOldOrTheNewOneAndTheNextWriteSucceeds) {
    std::random_device seeds;
    const unsigned seed = seeds();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pauseUs(0, 40000);

    for (const Store& store : kStores) {
        SCOPED_TRACE(store.name);
        qvutest::TempRoot root;
        const fs::path data = root.MapDrive('C') / "Data";
        fs::create_directories(data);
        const std::string before = Value(0, store.valueLength);
        for (int i = 0; i < store.fillers; ++i)
            ASSERT_TRUE(store.writeFiller(i, Filler(i, store.fillerLength)));
        ASSERT_TRUE(store.write(before));
        const std::string iniBefore = qvutest::ReadFile(data / "Main.ini");

        for (int round = 0; round < store.kills; ++round) {
            SCOPED_TRACE("kill " + std::to_string(round + 1));
            std::uint32_t finished = 0;
            {
                KilledWriter writer(store);
                ASSERT_TRUE(writer.Writing()) << "the writer never finished a write";
                std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
                finished = writer.Kill();
            }
            ASSERT_GT(finished, 0u) << "a write of the writer failed";

            const std::string value = store.read();
            const long long n = NumberOf(value);
            EXPECT_TRUE(n == static_cast<long long>(finished) ||
                        n == static_cast<long long>(finished) + 1)
                << "value " << n << " after write " << finished << " finished";
            ASSERT_TRUE(n >= 0 && value == Value(static_cast<std::uint32_t>(n), store.valueLength))
                << "a broken value of " << value.size() << " bytes: " << value.substr(0, 40);
            if (!iniBefore.empty()) {
                // The file whole: the one from before with the value found.
                std::string expected = iniBefore;
                expected.replace(expected.find(before), before.size(), value);
                EXPECT_TRUE(qvutest::ReadFile(data / "Main.ini") == expected);
            }
            for (int i = 0; i < store.fillers; ++i)
                ASSERT_EQ(store.readFiller(i), Filler(i, store.fillerLength)) << i;

            // The next write takes the old value back; the file is then the
            // one from before, byte for byte, without temporaries beside it.
            ASSERT_TRUE(store.write(before));
            EXPECT_EQ(store.read(), before);
            if (!iniBefore.empty()) {
                EXPECT_TRUE(qvutest::ReadFile(data / "Main.ini") == iniBefore);
                EXPECT_EQ(Temporaries(data), 0u);
            }
        }
    }
}

} // namespace
