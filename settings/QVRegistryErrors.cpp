#include "settings/QVRegistryErrors.h"

#include "settings/QVRegistry.h"

#include <cstring>

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
