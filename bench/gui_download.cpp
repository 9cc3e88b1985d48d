// A whole update run of QVUUpdate with a large package, in its window on an
// Xvfb display against the same run at the console, alternated in rounds on
// one sandboxed machine: the window must not slow the download down, and it
// must show the progress promptly while the bytes pour in. The window reports
// its longest delay between a progress command's post and its display on the
// debug channel.
//
//   bench_gui_download [SIZE_IN_MIB [ROUNDS]]     (default 1024 MiB, 3 rounds)
#include "bench/DownloadBench.h"
#include "tests/support/VirtualDisplay.h"

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

namespace {

namespace fs = bench::fs;

constexpr double kRatioGoal = 1.10;
constexpr long kDelayGoalMs = 100;

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Quorvane Olvin 5, build 5.0.1.100, installed on the benchmark's drive C,
// with an update to 5.1 served for it and stand-ins for the installer and the
// browser on PATH.
class Machine {
public:
    Machine(const char* self, const fs::path& folder, std::uint64_t packageSize)
        : bin_(fs::absolute(self).parent_path()), folder_(folder),
          update_(folder / "c" / "Quorvane" / "Olvin5" / "Update"),
          installerRecord_(folder / "installer.record") {
        fs::create_directories(folder / "root" / "dosdevices");
        fs::create_directories(folder / "c");
        fs::create_symlink(folder / "c", folder / "root" / "dosdevices" / "c:");
        InstallProduct();
        ServeUpdate(packageSize);
        server_ = std::make_unique<bench::BenchServer>(self, folder / "served");
        WriteText(folder / "served" / "QVU.ini",
                  "[QVU.ini]\r\nver=3.1\r\n[Olvin5]\r\nVersionLong=5.1.0.0\r\nVersionShort=5.1\r\n"
                  "FileName=Quorvane.msi\r\nFileSize=" +
                      std::to_string(packageSize) + "\r\nMD5=" + packageMd5_ + "\r\nMSI1=" +
                      server_->Url("/packages/Quorvane.msi") + "\r\n[QVU.end]\r\nver=3.1\r\n");
        AddStandIns();
        setenv("QVU_UPDATE_SERVER", server_->Url("").c_str(), 1);
        setenv("QVU_WEB_SERVER", server_->Url("").c_str(), 1);
    }

    // The shell command of one update run, its output kept in the file.
    std::string UpdateCommand(bool console, const fs::path& output) const {
        return Quoted((bin_ / "QVUUpdate").string()) + " /autostart " +
               Quoted("/display=" + server_->Url("/pages/release-notes.html")) +
               (console ? " --console" : "") + " </dev/null >" + Quoted(output.string()) + " 2>&1";
    }

    // Every run downloads the whole package and writes its log and the
    // installer's record anew.
    void ForgetLastRun() const {
        fs::remove(update_ / "Quorvane.msi");
        if (fs::exists(update_))
            for (const auto& entry : fs::directory_iterator(update_)) {
                const std::string name = entry.path().filename().string();
                if (name.starts_with("QVUUpdate(") && name.ends_with(".log"))
                    fs::remove(entry.path());
            }
        fs::remove(installerRecord_);
    }

    // The installer runs on its own; it is given a moment to write its record.
    bool InstallerStarted() const {
        for (int wait = 0; wait < 100; ++wait) {
            std::error_code missing;
            if (fs::file_size(installerRecord_, missing) > 0 && !missing)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

private:
    void Tool(const std::string& name, const std::string& arguments) const {
        double seconds = 0;
        bench::Run(Quoted((bin_ / name).string()) + " " + arguments + " >/dev/null", seconds);
    }

    void InstallProduct() const {
        const std::string settings = "C:\\Quorvane\\Olvin5\\";
        const std::string installation = "C:\\Program Files\\Quorvane Olvin 5\\";
        const std::string key = "HKLM\\Software\\Kaltrex\\Quorvane Olvin\\5.0";
        Tool("qvu-reg",
             "add " + Quoted(key + "\\IniFilePath") + " /ve /d " + Quoted(settings) + " /f");
        Tool("qvu-reg",
             "add " + Quoted(key + "\\InstallPath") + " /ve /d " + Quoted(installation) + " /f");
        WriteText(folder_ / "c" / "Quorvane" / "Olvin5" / "Rered.ini",
                  "[VAZuvedev_#_Locations]\r\nBase=" + installation + "\r\n");
        const fs::path install = folder_ / "c" / "Program Files" / "Quorvane Olvin 5";
        fs::create_directories(install);
        Tool("qvu-verdll", "5,0,1,100 " + Quoted((install / "QVVer.dll").string()));
    }

    void ServeUpdate(std::uint64_t packageSize) {
        const fs::path served = folder_ / "served";
        const fs::path package = served / "packages" / "Quorvane.msi";
        fs::create_directories(package.parent_path());
        bench::WritePackage(package, packageSize);
        double seconds = 0;
        packageMd5_ = bench::Run("md5sum " + Quoted(package.string()), seconds).substr(0, 32);
        // The update manager's own program, an hour older than the running
        // one: the self-check finds nothing newer.
        const fs::path copy = served / "ZoZuzaviz" / "QVUUpdate.exe";
        fs::create_directories(copy.parent_path());
        fs::copy_file(bin_ / "QVUUpdate", copy);
        fs::last_write_time(copy, fs::last_write_time(bin_ / "QVUUpdate") - std::chrono::hours(1));
        WriteText(served / "pages" / "release-notes.html",
                  "<html><body><h1>Quorvane Olvin 5.1</h1><p>Release notes.</p></body></html>\n");
    }

    void AddStandIns() const {
        const fs::path standIns = folder_ / "bin";
        fs::create_directories(standIns);
        fs::create_symlink(bin_ / "qvu-msiexec", standIns / "msiexec");
        WriteText(standIns / "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$*\" >>" +
                                             Quoted((folder_ / "browser.record").string()) + "\n");
        fs::permissions(standIns / "xdg-open", fs::perms::owner_all);
        setenv("PATH", (standIns.string() + ":" + std::getenv("PATH")).c_str(), 1);
        setenv("QVU_INSTALLER_RECORD", installerRecord_.c_str(), 1);
    }

    fs::path bin_, folder_, update_, installerRecord_;
    std::string packageMd5_;
    std::unique_ptr<bench::BenchServer> server_;
};

std::vector<std::string> Lines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// From the line the window writes on the debug channel at its end; it writes
// none when all progress was shown at once.
long ProgressDelayMs(const std::vector<std::string>& output) {
    const std::string marker = "progress shown at most ";
    for (const std::string& line : output)
        if (const auto at = line.find(marker); at != std::string::npos)
            return std::atol(line.c_str() + at + marker.size());
    return 0;
}

// One update run; its seconds, or nothing (and why, on standard error) when
// it did not hand the package to the installer.
std::optional<double> RunUpdate(const Machine& machine, bool console, const fs::path& output) {
    machine.ForgetLastRun();
    std::string ignored;
    double seconds = 0;
    const int status = bench::RunCommand(machine.UpdateCommand(console, output), ignored, seconds);
    if (status == 0 && machine.InstallerStarted())
        return seconds;
    const std::string why =
        status != 0 ? "QVUUpdate ended with status " +
                          std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : status)
                    : "the installer was not started";
    std::fprintf(stderr, "the %s run failed: %s; its output:\n", console ? "console" : "window",
                 why.c_str());
    for (const std::string& line : Lines(output))
        std::fprintf(stderr, "  %s\n", line.c_str());
    return std::nullopt;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const long rounds = argc > 2 ? std::atol(argv[2]) : 3;
    if (mebibytes == 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: %s [SIZE_IN_MIB [ROUNDS]]\n", argv[0]);
        return 2;
    }

    const bench::BenchFolder folder("/tmp/qvu-bench-gui-XXXXXX");
    const Machine machine(argv[0], folder.Path(), mebibytes << 20);
    // One X server for the whole run, named by DISPLAY while it lives.
    const qvutest::VirtualDisplay display;
    if (!display.Started()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    // Both front ends in the same environment: only --console tells them apart.
    setenv("QVU_DEBUG_OUTPUT", "1", 1);
    std::printf("package %llu MiB, %ld rounds, Xvfb on %s\n",
                static_cast<unsigned long long>(mebibytes), rounds, display.Name().c_str());

    std::vector<double> ratios;
    std::vector<double> extraSeconds;
    long longestDelayMs = 0;
    for (long round = 1; round <= rounds; ++round) {
        const fs::path consoleOutput = folder.Path() / "console.out";
        const fs::path windowOutput = folder.Path() / "window.out";
        const std::optional<double> console = RunUpdate(machine, true, consoleOutput);
        if (!console)
            return 1;
        const std::optional<double> window = RunUpdate(machine, false, windowOutput);
        if (!window)
            return 1;
        // Without a display the program runs at the console instead, and
        // starts with the console's first line.
        const std::vector<std::string> windowLines = Lines(windowOutput);
        const std::vector<std::string> consoleLines = Lines(consoleOutput);
        if (consoleLines.empty() || std::find(windowLines.begin(), windowLines.end(),
                                              consoleLines.front()) != windowLines.end()) {
            std::fprintf(stderr, "the window run ran at the console: no window opened on %s\n",
                         std::getenv("DISPLAY"));
            return 1;
        }
        const long delayMs = ProgressDelayMs(windowLines);
        longestDelayMs = std::max(longestDelayMs, delayMs);
        ratios.push_back(*window / *console);
        extraSeconds.push_back(*window - *console);
        std::printf("round %ld: console %7.2f s, window %7.2f s (%.2fx), progress delay %ld ms\n",
                    round, *console, *window, ratios.back(), delayMs);
        std::fflush(stdout);
    }
    std::printf("window/console time ratio (median of %ld): %.2f (goal <= %.2f)\n", rounds,
                Median(ratios), kRatioGoal);
    // Most of the difference is fixed: the toolkit and the page view start
    // once, whatever the size of the package.
    std::printf("the window takes %.2f s longer (median)\n", Median(extraSeconds));
    std::printf("longest progress delay in the window: %ld ms (goal < %ld)\n", longestDelayMs,
                kDelayGoalMs);
    return 0;
}
