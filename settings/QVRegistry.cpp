#include "settings/QVRegistry.h"

#include "platform/files.h"
#include "platform/profile.h"

#include <cstring>
#include <vector>

namespace {

// The messages are Windows-1252 text, byte for byte as the maker's other
// programs show them: "\xFC" is the u with diaeresis.
const char* QVRegistryErrorMessage(int code) {
    switch (code) {
    case QVR_BUFFER_TOO_SMALL:
        return "QVRegistry - Fehler: \xFC"
               "bergebener Puffer zu klein f\xFCr Registry Eintrag";
    case QVR_REGISTRY_UNREADABLE:
        return "QVRegistry - Fehler: Registry-Key nicht lesbar";
    case QVR_KEY_MISSING:
        return "QVRegistry - Fehler: Registry-Key existiert nicht";
    case QVR_REGISTRY_UNWRITABLE:
        return "QVRegistry - Fehler: Registry-Key nicht schreibbar";
    case QVR_KEY_NOT_CREATED:
        return "QVRegistry - Fehler: Registry-Key konnte nicht erzeugt werden";
    case QVR_BAD_ARGUMENTS:
        return "QVRegistry - Fehler: falsche/fehlende Aufrufparameter";
    case QVR_INI_UNWRITABLE:
        return "QVRegistry - Fehler: Ini-Datei nicht schreibbar";
    case QVR_VALUE_MISSING:
        return "QVRegistry - Fehler: Ini-Datei nicht lesbar";
    case QVR_PATH_TOO_LONG:
        return "QVRegistry - Fehler: \xFC"
               "bergebener Puffer zu klein f\xFCr Pfad und Name";
    case QVR_NOT_INITIALISED:
        return "QVRegistry - Fehler: noch nicht initialisiert";
    case QVR_CONVERSION:
        return "QVRegistry - Fehler: Datenkonvertierung";
    case QVR_DEFAULT_TOO_LONG:
        return "QVRegistry - Fehler: Default l\xE4nger als Platz in Ziel";
    case QVR_KEPT_EXISTING:
        return "QVRegistry - Warnung: Existierender Registry-Key wurde nicht \xFC"
               "berschrieben";
    default:
        return "QVRegistry - Fehler: kein g\xFCltiger Fehlercode";
    }
}

} // namespace

QVRegistry::QVRegistry() {
    object_ = this;
    className_ = "QVRegistry";
}

QVRegistry::QVRegistry(const char* application, const char* sectionPrefixOrIniFile) : QVRegistry() {
    InitFromInf(application, sectionPrefixOrIniFile);
}

QVRegistry::QVRegistry(const char* company, const char* product, const char* version,
                       const char* shortId, const char* sectionPrefixOrIniFile)
    : QVRegistry() {
    Init(company, product, version, shortId, sectionPrefixOrIniFile);
}

QVRegistry::~QVRegistry() = default;

int QVRegistry::Init(const char* company, const char* product, const char* version,
                     const char* shortId, const char* sectionPrefixOrIniFile) {
    company_ = company;
    product_ = product;
    version_ = version;
    shortId_ = shortId;
    sectionPrefix_ = sectionPrefixOrIniFile ? sectionPrefixOrIniFile : shortId;
    iniFilePath_.Empty();
    registryBasePath_.Empty();

    if ((company == nullptr && product == nullptr && version == nullptr) || shortId == nullptr)
        return QVR_BAD_ARGUMENTS;

    for (const KxString* part : {&company_, &product_, &version_}) {
        if (!part->IsEmpty())
            registryBasePath_ += *part + '\\';
    }

    // Resolving now fixes the INI file for the store's lifetime; an INI file
    // given in place of the section prefix is taken here.
    char path[1024];
    GetIniPathAndName(path, sizeof path - 1);
    initialised_ = true;
    return QVR_OK;
}

int QVRegistry::InitFromInf(const char* application, const char* sectionPrefixOrIniFile) {
    if (application == nullptr || *application == '\0')
        return QVR_BAD_ARGUMENTS;
    KxString projectFile;
    if (const int result = ProjectFilePath(projectFile))
        return result;

    static const char* const keys[] = {"Company", "Product", "Version", "ShortId"};
    KxString values[4];
    for (int i = 0; i < 4; ++i) {
        char buffer[511];
        if (GetPrivateProfileStringA(application, keys[i], "", buffer, sizeof buffer,
                                     projectFile) == 0)
            return QVR_VALUE_MISSING;
        values[i] = buffer;
    }
    return Init(values[0], values[1], values[2], values[3], sectionPrefixOrIniFile);
}

int QVRegistry::ProjectFilePath(KxString& path) const {
    // The program's name may be long; only its folder has to leave room for
    // the project file's name within MAX_PATH.
    std::vector<char> program(32768, '\0');
    const DWORD length =
        GetModuleFileNameA(nullptr, program.data(), static_cast<DWORD>(program.size()));
    if (length == 0 || length >= program.size())
        return QVR_PATH_TOO_LONG;
    path = program.data();
    path = path.Left(path.ReverseFind('\\'));
    if (path.GetLength() + 11 > MAX_PATH)
        return QVR_PATH_TOO_LONG;
    path += "\\Varuk.inf";
    if (_access(path, 0) == 0)
        return QVR_OK;

    char current[MAX_PATH];
    if (_getcwd(current, MAX_PATH) != nullptr &&
        std::char_traits<char>::length(current) + 11 <= static_cast<std::size_t>(MAX_PATH)) {
        path = current;
        path += "\\Varuk.inf";
    }
    return QVR_OK;
}

bool QVRegistry::GetRegistryInfo(KxString& company, KxString& product, KxString& version,
                                 KxString& shortId) {
    company.Empty();
    product.Empty();
    version.Empty();
    shortId.Empty();
    if (!initialised_)
        return false;
    company = company_;
    product = product_;
    version = version_;
    shortId = shortId_;
    return true;
}

KxString QVRegistry::RegistryPath(const char* key) const {
    return KxString("Software\\") + registryBasePath_ + (key ? key : "");
}

KxString QVRegistry::SectionName(const char* section) const {
    return sectionPrefix_ + "_#_" + section;
}

int QVRegistry::GetErrorText(int code, KxString& text) {
    text = QVRegistryErrorMessage(code);
    return QVR_OK;
}

int QVRegistry::GetErrorText(int code, char* buffer, int size) {
    if (buffer == nullptr || size < 1)
        return QVR_BAD_ARGUMENTS;
    std::strncpy(buffer, QVRegistryErrorMessage(code), size - 1);
    buffer[size - 1] = '\0';
    return QVR_OK;
}
