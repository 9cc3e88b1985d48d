// The product's main settings file Rered.ini in its settings folder, and the
// program folder it records.
#pragma once

#include "platform/win_types.h"

#include <string>

// The path of Rered.ini in settingsFolder (which ends with a backslash).
std::string SettingsFilePath(const std::string& settingsFolder);

// Key Base of section VAZuvedev_#_Locations of the settings file, read into
// a buffer of bufferSize bytes; defaultValue when the file, section or key is
// missing.
std::string ReadRecordedProgramFolder(const std::string& settingsFolder, const char* defaultValue,
                                      DWORD bufferSize);
