// The settings store of one installed product: raw values in the registry
// below "Software\<company>\<product>\<version>\", typed values in the
// product's INI file, shared or per Windows user.
#pragma once

#include "base/KxExport.h"
#include "base/KxString.h"
#include "settings/QVIRegistry.h"

class KX_EXPORT QVRegistry : public virtual QVIRegistry {
public:
    QVRegistry();
    QVRegistry(const char* application, const char* sectionPrefixOrIniFile);
    QVRegistry(const char* company, const char* product, const char* version, const char* shortId,
               const char* sectionPrefixOrIniFile);
    ~QVRegistry() override;
    QVRegistry(const QVRegistry&) = delete;
    QVRegistry& operator=(const QVRegistry&) = delete;

    int GetIniPathAndName(char* buffer, int size);
    int GetIniPath(char* buffer, int size);
    int GetIniPath(KxString& folder);
    void CreateIniBackup();
    bool GetRegistryInfo(KxString& company, KxString& product, KxString& version,
                         KxString& shortId);
    // A security descriptor for new registry keys, freed with LocalFree; null
    // when none can be made.
    void* GetSecurityDescriptorWithNullDacl();

    int Init(const char* company, const char* product, const char* version, const char* shortId,
             const char* sectionPrefixOrIniFile) override;
    int InitFromInf(const char* application, const char* sectionPrefixOrIniFile) override;
    int GetErrorText(int code, KxString& text) override;
    int GetErrorText(int code, char* buffer, int size) override;
    int FlushIniFile() override;

    int ReadRegistry(HKEY root, const char* key, KxString& value) override;
    int ReadRegistry(HKEY root, const char* key, char* buffer, int size) override;
    int WriteRegistry(HKEY root, const char* key, const char* value, bool keepExisting) override;
    int ReadRegistryListItem(HKEY root, const char* key, const char* name, int index,
                             KxString& value) override;
    int ReadRegistryListItem(HKEY root, const char* key, const char* name, int index, char* buffer,
                             int size) override;
    int AddRegistryListItem(HKEY root, const char* key, const char* name,
                            const char* value) override;
    int RemoveRegistryListItem(HKEY root, const char* key, const char* name,
                               const char* value) override;
    int SetIniFilePath(const char* folder) override;
    int HasIniFilePath(int* present) override;
    int DeleteAllRegistryKeys() override;

    int WriteUserValue(const char* section, const char* key, bool value) override;
    int WriteUserValue(const char* section, const char* key, double value) override;
    int WriteUserValue(const char* section, const char* key, int value) override;
    int WriteUserValue(const char* section, const char* key, const char* value) override;
    int ReadUserValue(const char* section, const char* key, bool defaultValue,
                      bool* value) override;
    int ReadUserValue(const char* section, const char* key, double defaultValue,
                      double* value) override;
    int ReadUserValue(const char* section, const char* key, int defaultValue, int* value) override;
    int ReadUserValue(const char* section, const char* key, const char* defaultValue,
                      KxString& value) override;
    int ReadUserValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                      int size) override;
    int ReadUserValue(const char* section, const char* key, bool* value) override;
    int ReadUserValue(const char* section, const char* key, double* value) override;
    int ReadUserValue(const char* section, const char* key, int* value) override;
    int ReadUserValue(const char* section, const char* key, KxString& value) override;
    int ReadUserValue(const char* section, const char* key, char* buffer, int size) override;
    int ReadUserPath(const char* section, const char* key, const char* defaultValue,
                     KxString& value) override;
    int ReadUserPath(const char* section, const char* key, const char* defaultValue, char* buffer,
                     int size) override;
    int ReadUserPath(const char* section, const char* key, KxString& value) override;
    int ReadUserPath(const char* section, const char* key, char* buffer, int size) override;

    int WriteValue(const char* section, const char* key, bool value) override;
    int WriteValue(const char* section, const char* key, double value) override;
    int WriteValue(const char* section, const char* key, int value) override;
    int WriteValue(const char* section, const char* key, const char* value) override;
    int ReadValue(const char* section, const char* key, bool defaultValue, bool* value) override;
    int ReadValue(const char* section, const char* key, double defaultValue,
                  double* value) override;
    int ReadValue(const char* section, const char* key, int defaultValue, int* value) override;
    int ReadValue(const char* section, const char* key, const char* defaultValue,
                  KxString& value) override;
    int ReadValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                  int size) override;
    int ReadValue(const char* section, const char* key, bool* value) override;
    int ReadValue(const char* section, const char* key, double* value) override;
    int ReadValue(const char* section, const char* key, int* value) override;
    int ReadValue(const char* section, const char* key, KxString& value) override;
    int ReadValue(const char* section, const char* key, char* buffer, int size) override;
    int ReadPath(const char* section, const char* key, const char* defaultValue,
                 KxString& value) override;
    int ReadPath(const char* section, const char* key, const char* defaultValue, char* buffer,
                 int size) override;
    int ReadPath(const char* section, const char* key, KxString& value) override;
    int ReadPath(const char* section, const char* key, char* buffer, int size) override;

protected:
    // "User" followed by this Windows user's settings number, handing out the
    // machine's next number on first use.
    KxString GetUserId();

private:
    // "Software\" + base path + key.
    KxString RegistryPath(const char* key) const;
    // The INI section for a section name: prefix + "_#_" + section.
    KxString SectionName(const char* section) const;
    // The per-user key: user id + "_#_" + key.
    KxString UserKey(const char* key);
    // Checks shared by every INI operation, then resolves the INI file into
    // iniFile (MAX_PATH characters).
    int PrepareIniAccess(const char* section, const char* key, char* iniFile);
    // Checks shared by every per-user operation.
    int CheckUserArguments(const char* section, const char* key) const;
    // The project file's path; 0 or -9.
    int ProjectFilePath(KxString& path) const;
    void PruneEmptyKeys(HKEY root, KxString path);

    KxString company_;
    KxString product_;
    KxString version_;
    KxString shortId_;
    KxString sectionPrefix_;
    KxString iniFilePath_;
    KxString registryBasePath_;
    bool initialised_ = false;
};

// Deletes subKey below parent with all its subkeys, except subkeys named
// exactly "dd" or "fdd", which stay with the keys leading to them. Always 0.
KX_EXPORT int DeleteKeyAndAllSubkeys(HKEY parent, char* subKey);
