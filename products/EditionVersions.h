// The version texts of the four edition lines, derived from the installed
// program's file version: the lines number their releases differently.
#pragma once

#include "products/Product.h"

#include <string>

struct FileVersionNumbers {
    int V1 = 0;
    int V2 = 0;
    int V3 = 0;
    int V4 = 0;
};

// "V1.V2.V3.V4" read from the start of the text; numbers missing are 0, and
// numbers beyond the int range are held at its ends.
FileVersionNumbers ParseFileVersion(const std::string& text);

// "x.y" when V4 is 0, else "x.y.V3.V4", where (x, y) is the line's own
// numbering of the release.
std::string EditionVersion(EditionLine line, const FileVersionNumbers& version);
