// Shared by the benchmarks of whole update runs: a sandboxed machine with
// Quorvane Olvin 5 installed and an update for it served on 127.0.0.1.
#pragma once

#include "bench/DownloadBench.h"
#include "tests/support/OtherAccount.h"

#include <chrono>
#include <memory>
#include <thread>

namespace bench {

inline std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline void WriteText(const fs::path& path, const std::string& text) {
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
        return Command("/autostart " +
                           Quoted("/display=" + server_->Url("/pages/release-notes.html")) +
                           (console ? " --console" : ""),
                       output);
    }
    // QVUUpdate with these switches, without input.
    std::string Command(const std::string& switches, const fs::path& output) const {
        return Quoted((bin_ / "QVUUpdate").string()) + " " + switches + " </dev/null >" +
               Quoted(output.string()) + " 2>&1";
    }
    std::string Url(const std::string& target) const { return server_->Url(target); }

    // For a window program run as another account: it may pass to the
    // stand-ins and run them. Everything else of the sandbox stays as closed
    // to it as the umask made it (077 for that).
    void LetOthersRunStandIns() const {
        const fs::path standIns = folder_ / "bin";
        qvutest::LetEveryonePass(standIns, folder_);
        fs::permissions(standIns / "xdg-open",
                        fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec,
                        fs::perm_options::add);
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

    // Signs the served description with a publisher's key made by minisign;
    // the signature is checked in the runs after TrustPublisher(true).
    void SignDescription() const {
        const fs::path key = folder_ / "publisher.key";
        double seconds = 0;
        bench::Run("minisign -q -G -W -p " + Quoted((folder_ / "publisher.pub").string()) + " -s " +
                       Quoted(key.string()),
                   seconds);
        bench::Run("minisign -q -S -s " + Quoted(key.string()) + " -m " +
                       Quoted((folder_ / "served" / "QVU.ini").string()),
                   seconds);
    }
    // Trusts the publisher's key on the machine, or no key again after that.
    void TrustPublisher(bool trusted) const {
        const std::string trustedKeys =
            Quoted("HKLM\\Software\\Kaltrex\\Quorvane Zelvo Update\\Trusted Keys");
        if (!trusted) {
            Tool("qvu-reg", "delete " + trustedKeys + " /f");
            return;
        }
        std::ifstream lines(folder_ / "publisher.pub");
        std::string line;
        std::getline(lines, line);
        std::getline(lines, line);
        Tool("qvu-reg", "add " + trustedKeys + " /v publisher /d " + Quoted(line) + " /f");
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
        // The browser opens nothing: no run measured here asks for it.
        WriteText(standIns / "xdg-open", "#!/bin/sh\nexit 0\n");
        fs::permissions(standIns / "xdg-open", fs::perms::owner_all);
        setenv("PATH", (standIns.string() + ":" + std::getenv("PATH")).c_str(), 1);
        setenv("QVU_INSTALLER_RECORD", installerRecord_.c_str(), 1);
    }

    fs::path bin_, folder_, update_, installerRecord_;
    std::string packageMd5_;
    std::unique_ptr<bench::BenchServer> server_;
};

// The lines of a text file.
inline std::vector<std::string> Lines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace bench
