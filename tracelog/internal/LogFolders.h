// Where the trace log goes: the local and the server log folder, from the
// installed product's data-path settings.
#pragma once

#include "base/KxString.h"

namespace tracelog {

struct LogFolders {
    KxString local;
    KxString server;
};

// Reads the settings of the application VAZuvedev: the active data path's INI
// file names the data root and the log folders; the product's INI folder
// (IniFilePath) stands in for a local folder that cannot be used. A server
// folder is kept only when it is usable, ends with "\Log\" and is not the
// local folder.
LogFolders FindLogFolders();

// A folder the process may both read and write.
bool IsUsableFolder(const char* folder);

} // namespace tracelog
