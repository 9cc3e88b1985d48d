// Clean-up of a log folder: dated log files, log archives and dumps older
// than a cut-off date are deleted.
#pragma once

#include "base/KxExport.h"
#include "base/KxString.h"

// folder: used as given, ending with a backslash (empty: nothing happens).
KX_EXPORT void DeleteOldLogFiles(const KxString& folder, int year, int month, int day);
