#include "tracelog/internal/LogFolders.h"

#include "platform/files.h"
#include "platform/registry.h"
#include "settings/QVRegistry.h"

#include <cstdio>

namespace tracelog {

namespace {

constexpr char kApplication[] = "VAZuvedev";

// The product's INI folder when it is usable, else the folder unchanged.
void FallBackToIniFolder(QVRegistry& store, KxString& folder) {
    char iniFolder[256] = {};
    if (store.ReadRegistry(HKEY_LOCAL_MACHINE, "IniFilePath", iniFolder, sizeof iniFolder) == 0 &&
        IsUsableFolder(iniFolder))
        folder = iniFolder;
}

bool BeginsWithNoCase(const KxString& text, const KxString& start) {
    return text.GetLength() >= start.GetLength() &&
           text.Left(start.GetLength()).CompareNoCase(start) == 0;
}

bool EndsWith(const KxString& text, const char* end) {
    const int length = static_cast<int>(std::char_traits<char>::length(end));
    return text.GetLength() >= length && text.Right(length).Compare(end) == 0;
}

// The folder of a file path up to and including its last backslash.
KxString FolderOf(const KxString& path) {
    return path.Left(path.ReverseFind('\\') + 1);
}

} // namespace

bool IsUsableFolder(const char* folder) {
    return folder[0] != '\0' && _access(folder, 6) == 0;
}

LogFolders FindLogFolders() {
    LogFolders folders;
    QVRegistry first(kApplication, nullptr);
    int pathCount = 0;
    first.ReadValue("Datapaths", "Path#", 0, &pathCount);
    if (pathCount < 1) {
        FallBackToIniFolder(first, folders.local);
        return folders;
    }

    int activePath = 0;
    first.ReadValue("Datapaths", "ActivePath", 0, &activePath);
    char pathKey[32];
    std::snprintf(pathKey, sizeof pathKey, "Path%d", activePath);
    KxString iniPath;
    first.ReadValue("Datapaths", pathKey, kApplication, iniPath);

    QVRegistry second(kApplication, iniPath);
    KxString dataRoot;
    second.ReadValue("Locations", "DataRoot", "", dataRoot);
    second.ReadValue("Locations", "Log", folders.local);
    second.ReadValue("Locations", "LogServer", folders.server);

    if (dataRoot.IsEmpty() && iniPath.Find(".ini") >= 0 && iniPath.Find('\\') >= 0)
        dataRoot = FolderOf(iniPath);

    // A data path moved to another drive keeps its log beside its INI file.
    if (EndsWith(iniPath, ".ini") && dataRoot.Left(2).Compare("\\\\") != 0) {
        const KxString iniFolder = FolderOf(iniPath);
        if (iniFolder.CompareNoCase(dataRoot) != 0 && BeginsWithNoCase(folders.local, dataRoot)) {
            const KxString candidate = iniFolder + folders.local.Mid(dataRoot.GetLength());
            if (IsUsableFolder(candidate))
                folders.local = candidate;
        }
    }
    if (!IsUsableFolder(folders.local))
        FallBackToIniFolder(first, folders.local);

    if (dataRoot.Find("QuorvaneD$") > 0 && folders.server.IsEmpty() &&
        folders.local.Find("QuorvaneD$") < 0)
        folders.server = dataRoot + "Log\\";

    if (folders.server.GetLength() > 5 &&
        (!IsUsableFolder(folders.server) || !EndsWith(folders.server, "\\Log\\") ||
         folders.server.CompareNoCase(folders.local) == 0))
        folders.server.Empty();
    return folders;
}

} // namespace tracelog
