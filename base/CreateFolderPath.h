// Makes sure a folder path exists, creating every missing folder along it.
#pragma once

#include "base/KxExport.h"

// path: a writable folder path with backslashes or slashes, "X:" or a leading
// backslash allowed. The text is changed during the call and restored before
// it returns. Answers 0 when the path exists at the end, else 1.
KX_EXPORT int CreateFolderPath(char* path);
