// How a text of the translation table is turned into the text shown.
#pragma once

#include <string>

// Joins the lines of a text that ran over several lines of the document and
// resolves the escapes \n, \r, \t, \' and \". A text starting with "{" is
// taken as it is.
std::string ResolveStoredText(std::string text);
