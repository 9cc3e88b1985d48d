// Cost of one TraceLog::Write at level 4 (written, not flushed) while server
// logging is on, while its share is unreachable and while it is read-only,
// against the same write with server logging off, measured in the same run. Writers only queue
// their lines for the server, so neither should cost much more than the reference.
#include "settings/QVRegistry.h"
#include "tracelog/internal/TraceLogState.h"
#include "tracelog/TraceLog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;

// Lines per measurement: the same number in every configuration, so that
// each queues as many lines for the server.
constexpr int kWrites = 2000;

// A machine root with drive C and the share \\server\share, the product's
// settings naming C:\Logs\ as the log folder.
struct Machine {
    explicit Machine(const fs::path& folder) : folder_(folder) {
        fs::create_directories(folder / "c" / "Data");
        fs::create_directories(folder / "c" / "Logs");
        fs::create_directories(folder / "share" / "Log");
        fs::create_directories(folder / "root" / "dosdevices" / "unc" / "server");
        fs::create_symlink(folder / "c", folder / "root" / "dosdevices" / "c:");
        setenv("QVU_ROOT", (folder / "root").c_str(), 1);
        fs::current_path(folder);
        std::ofstream(folder / "Varuk.inf") << "[VAZuvedev]\r\nCompany=Kaltrex\r\nProduct=Quorvane "
                                               "Zetra\r\nVersion=4.0\r\nShortId=QVZ\r\n";
        QVRegistry first("VAZuvedev", nullptr);
        first.WriteRegistry(HKEY_LOCAL_MACHINE, "IniFilePath", "C:\\Data\\", false);
        first.WriteValue("Datapaths", "Path#", 1);
        first.WriteValue("Datapaths", "ActivePath", 1);
        first.WriteValue("Datapaths", "Path1", "C:\\Data\\Main.ini");
        QVRegistry("VAZuvedev", "C:\\Data\\Main.ini").WriteValue("Locations", "Log", "C:\\Logs\\");
    }

    void SetServerFolder(const char* folder) {
        QVRegistry("VAZuvedev", "C:\\Data\\Main.ini").WriteValue("Locations", "LogServer", folder);
    }
    // Read-only even for root: the share folder and its files immutable.
    // False when this machine does not allow it.
    bool SetShareReadOnly(bool readOnly) {
        const std::string command = std::string("chattr -R ") + (readOnly ? "+i " : "-i ") +
                                    (folder_ / "share").string() + " 2>/dev/null";
        return std::system(command.c_str()) == 0;
    }
    void MapShare(bool mapped) {
        const fs::path link = folder_ / "root" / "dosdevices" / "unc" / "server" / "share";
        std::error_code ignored;
        fs::remove(link, ignored);
        if (mapped)
            fs::create_symlink(folder_ / "share", link);
    }

    fs::path folder_;
};

enum class Server { Off, On, Unreachable, ReadOnly };

// One measurement from a fresh start of the log.
double MeasureWrite(Machine& machine, Server server) {
    tracelog::ResetTraceLogState();
    machine.MapShare(true);
    machine.SetServerFolder(server == Server::Off ? "" : "\\\\server\\share\\Log\\");
    TraceLog log(4);
    log.Write(0, "start", true);
    if (server == Server::Unreachable)
        machine.MapShare(false);
    if (server == Server::ReadOnly)
        machine.SetShareReadOnly(true);
    const std::string text(100, 'x');
    const auto start = Clock::now();
    for (int i = 0; i < kWrites; ++i)
        log.Write(4, text.c_str(), true);
    const double elapsed = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    TraceLog::StopLogging(true, false);
    machine.SetShareReadOnly(false);
    return elapsed / kWrites;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    const fs::path folder =
        fs::temp_directory_path() / ("qvu-bench-trace-" + std::to_string(std::rand()));
    Machine machine(folder);
    const bool readOnlyShare = machine.SetShareReadOnly(true) && machine.SetShareReadOnly(false);
    std::vector<double> off, on, unreachable, readOnly;
    // Alternated, so that a slow moment of the machine hits all alike.
    for (int round = 0; round < kRounds; ++round) {
        off.push_back(MeasureWrite(machine, Server::Off));
        on.push_back(MeasureWrite(machine, Server::On));
        unreachable.push_back(MeasureWrite(machine, Server::Unreachable));
        if (readOnlyShare)
            readOnly.push_back(MeasureWrite(machine, Server::ReadOnly));
    }
    tracelog::ResetTraceLogState();
    const double reference = Median(off);
    std::printf("one Write at level 4, 100 characters with header, median of %d rounds:\n",
                kRounds);
    std::printf("reference, server logging off:   %8.2f us\n", reference);
    std::printf("server logging on:               %8.2f us  (%.2fx, goal at most 1.20)\n",
                Median(on), Median(on) / reference);
    std::printf("server share unreachable:        %8.2f us  (%.2fx, goal at most 1.20)\n",
                Median(unreachable), Median(unreachable) / reference);
    if (readOnlyShare)
        std::printf("server share read-only:          %8.2f us  (%.2fx, goal at most 1.20)\n",
                    Median(readOnly), Median(readOnly) / reference);
    else
        std::printf("server share read-only:          not measured (chattr +i is not allowed "
                    "here)\n");

    fs::current_path(fs::temp_directory_path());
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
