// The settings store's interface: 51 operations, each answering 0 or a
// negative code (QVRegistryError below). The order of declaration is the
// order of the interface's slots, which other programs rely on. With the root
// of the in-house class tree, IKxObject, and the store's result codes.
#pragma once

#include "base/KxExport.h"
#include "base/KxString.h"
#include "platform/registry.h"

// Root of the in-house class tree: every object knows its complete object and
// its class name.
class KX_EXPORT IKxObject {
public:
    virtual ~IKxObject() = default;

protected:
    // Left to the derived class, which sets both in its constructors.
    IKxObject() = default;

    IKxObject* object_ = nullptr;
    const char* className_ = nullptr;
};

// The settings store's result codes. Every operation answers 0 or one of these.
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

class KX_EXPORT QVIRegistry : public virtual IKxObject {
public:
    // Identity and error texts.
    virtual int Init(const char* company, const char* product, const char* version,
                     const char* shortId, const char* sectionPrefixOrIniFile) = 0;            // 0
    virtual int InitFromInf(const char* application, const char* sectionPrefixOrIniFile) = 0; // 1
    virtual int GetErrorText(int code, KxString& text) = 0;                                   // 2
    virtual int GetErrorText(int code, char* buffer, int size) = 0;                           // 3
    virtual int FlushIniFile() = 0;                                                           // 4

    // Raw registry values below the product's base path.
    virtual int ReadRegistry(HKEY root, const char* key, KxString& value) = 0;        // 5
    virtual int ReadRegistry(HKEY root, const char* key, char* buffer, int size) = 0; // 6
    virtual int WriteRegistry(HKEY root, const char* key, const char* value,
                              bool keepExisting) = 0; // 7
    virtual int ReadRegistryListItem(HKEY root, const char* key, const char* name, int index,
                                     KxString& value) = 0; // 8
    virtual int ReadRegistryListItem(HKEY root, const char* key, const char* name, int index,
                                     char* buffer, int size) = 0; // 9
    virtual int AddRegistryListItem(HKEY root, const char* key, const char* name,
                                    const char* value) = 0; // 10
    virtual int RemoveRegistryListItem(HKEY root, const char* key, const char* name,
                                       const char* value) = 0; // 11
    virtual int SetIniFilePath(const char* folder) = 0;        // 12
    virtual int HasIniFilePath(int* present) = 0;              // 13
    virtual int DeleteAllRegistryKeys() = 0;                   // 14

    // Per-user values.
    virtual int WriteUserValue(const char* section, const char* key, bool value) = 0;        // 15
    virtual int WriteUserValue(const char* section, const char* key, double value) = 0;      // 16
    virtual int WriteUserValue(const char* section, const char* key, int value) = 0;         // 17
    virtual int WriteUserValue(const char* section, const char* key, const char* value) = 0; // 18
    virtual int ReadUserValue(const char* section, const char* key, bool defaultValue,
                              bool* value) = 0; // 19
    virtual int ReadUserValue(const char* section, const char* key, double defaultValue,
                              double* value) = 0; // 20
    virtual int ReadUserValue(const char* section, const char* key, int defaultValue,
                              int* value) = 0; // 21
    virtual int ReadUserValue(const char* section, const char* key, const char* defaultValue,
                              KxString& value) = 0; // 22
    virtual int ReadUserValue(const char* section, const char* key, const char* defaultValue,
                              char* buffer, int size) = 0;                                // 23
    virtual int ReadUserValue(const char* section, const char* key, bool* value) = 0;     // 24
    virtual int ReadUserValue(const char* section, const char* key, double* value) = 0;   // 25
    virtual int ReadUserValue(const char* section, const char* key, int* value) = 0;      // 26
    virtual int ReadUserValue(const char* section, const char* key, KxString& value) = 0; // 27
    virtual int ReadUserValue(const char* section, const char* key, char* buffer,
                              int size) = 0; // 28
    virtual int ReadUserPath(const char* section, const char* key, const char* defaultValue,
                             KxString& value) = 0; // 29
    virtual int ReadUserPath(const char* section, const char* key, const char* defaultValue,
                             char* buffer, int size) = 0;                                // 30
    virtual int ReadUserPath(const char* section, const char* key, KxString& value) = 0; // 31
    virtual int ReadUserPath(const char* section, const char* key, char* buffer,
                             int size) = 0; // 32

    // Values shared by all users.
    virtual int WriteValue(const char* section, const char* key, bool value) = 0;        // 33
    virtual int WriteValue(const char* section, const char* key, double value) = 0;      // 34
    virtual int WriteValue(const char* section, const char* key, int value) = 0;         // 35
    virtual int WriteValue(const char* section, const char* key, const char* value) = 0; // 36
    virtual int ReadValue(const char* section, const char* key, bool defaultValue,
                          bool* value) = 0; // 37
    virtual int ReadValue(const char* section, const char* key, double defaultValue,
                          double* value) = 0; // 38
    virtual int ReadValue(const char* section, const char* key, int defaultValue,
                          int* value) = 0; // 39
    virtual int ReadValue(const char* section, const char* key, const char* defaultValue,
                          KxString& value) = 0; // 40
    virtual int ReadValue(const char* section, const char* key, const char* defaultValue,
                          char* buffer, int size) = 0;                                       // 41
    virtual int ReadValue(const char* section, const char* key, bool* value) = 0;            // 42
    virtual int ReadValue(const char* section, const char* key, double* value) = 0;          // 43
    virtual int ReadValue(const char* section, const char* key, int* value) = 0;             // 44
    virtual int ReadValue(const char* section, const char* key, KxString& value) = 0;        // 45
    virtual int ReadValue(const char* section, const char* key, char* buffer, int size) = 0; // 46
    virtual int ReadPath(const char* section, const char* key, const char* defaultValue,
                         KxString& value) = 0; // 47
    virtual int ReadPath(const char* section, const char* key, const char* defaultValue,
                         char* buffer, int size) = 0;                                       // 48
    virtual int ReadPath(const char* section, const char* key, KxString& value) = 0;        // 49
    virtual int ReadPath(const char* section, const char* key, char* buffer, int size) = 0; // 50
};
