// The settings store's result codes. Every operation answers 0 or one of these.
#pragma once

enum QVRegistryError {
    QVR_OK = 0,
    QVR_BUFFER_TOO_SMALL = -1,    // a registry value does not fit the caller's buffer
    QVR_REGISTRY_UNREADABLE = -2, // a registry value cannot be read
    QVR_KEY_MISSING = -3,         // the registry key cannot be opened
    QVR_REGISTRY_UNWRITABLE = -4, // a registry value cannot be set
    QVR_KEY_NOT_CREATED = -5,     // a registry key cannot be created
    QVR_BAD_ARGUMENTS = -6,       // a required argument is missing or empty
    QVR_INI_UNWRITABLE = -7,      // the INI write failed
    QVR_VALUE_MISSING = -8,       // a value is missing or empty
    QVR_PATH_TOO_LONG = -9,       // a path does not fit the caller's buffer
    QVR_NOT_INITIALISED = -10,    // the store is not initialised
    QVR_CONVERSION = -11,         // a stored text is not a valid boolean or number
    QVR_DEFAULT_TOO_LONG = -12,   // a default does not fit the caller's buffer
    QVR_KEPT_EXISTING = -13,      // an existing registry value was left alone
    QVR_INI_MISSING = -14,        // the INI file does not exist
    QVR_INI_UNREADABLE = -15,     // the INI file cannot be read
};

// The fixed message of a code (Windows-1252 text).
const char* QVRegistryErrorMessage(int code);
