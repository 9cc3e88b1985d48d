#include "tools/qvu-reg/RegistryTree.h"

namespace qvureg {

namespace {

struct Sizes {
    DWORD longestSubKey = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
};

LONG QuerySizes(HKEY key, Sizes& sizes) {
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &sizes.longestSubKey, nullptr,
                            nullptr, &sizes.longestName, &sizes.longestData, nullptr, nullptr);
}

// A key that may be read, enumerated and deleted below.
LONG Open(const KeyPath& path, HKEY& key) {
    return RegOpenKeyExA(path.root, path.subKey.c_str(), 0, KEY_READ, &key);
}

} // namespace

LONG ReadValues(HKEY key, std::vector<RegValue>& values) {
    values.clear();
    Sizes sizes;
    LONG result = QuerySizes(key, sizes);
    // Room for the terminator that string data stored without one is answered with.
    std::string name(sizes.longestName + 1, '\0');
    std::string data(sizes.longestData + 1, '\0');
    for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        result = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type,
                               reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (result == ERROR_SUCCESS)
            values.push_back(RegValue{name.substr(0, nameSize), type, data.substr(0, dataSize)});
    }
    return result == static_cast<LONG>(ERROR_NO_MORE_ITEMS) ? ERROR_SUCCESS : result;
}

LONG ReadSubKeyNames(HKEY key, std::vector<std::string>& names) {
    names.clear();
    Sizes sizes;
    LONG result = QuerySizes(key, sizes);
    std::string name(sizes.longestSubKey + 1, '\0');
    for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
        result = RegEnumKeyA(key, index, name.data(), static_cast<DWORD>(name.size()));
        if (result == ERROR_SUCCESS)
            names.emplace_back(name.c_str());
    }
    return result == static_cast<LONG>(ERROR_NO_MORE_ITEMS) ? ERROR_SUCCESS : result;
}

LONG VisitTree(const KeyPath& path, bool recursive,
               const std::function<LONG(const KeyPath&, HKEY)>& visit) {
    HKEY key = nullptr;
    LONG result = Open(path, key);
    if (result != ERROR_SUCCESS)
        return result;
    std::vector<std::string> names;
    result = visit(path, key);
    if (result == ERROR_SUCCESS && recursive)
        result = ReadSubKeyNames(key, names);
    RegCloseKey(key);
    for (const std::string& name : names) {
        if (result != ERROR_SUCCESS)
            break;
        result = VisitTree(path.Child(name), true, visit);
    }
    return result;
}

LONG DeleteTree(const KeyPath& path) {
    HKEY key = nullptr;
    LONG result = Open(path, key);
    if (result != ERROR_SUCCESS)
        return result;
    std::vector<std::string> names;
    result = ReadSubKeyNames(key, names);
    RegCloseKey(key);
    for (const std::string& name : names) {
        if (result == ERROR_SUCCESS)
            result = DeleteTree(path.Child(name));
    }
    return result == ERROR_SUCCESS ? RegDeleteKeyA(path.root, path.subKey.c_str()) : result;
}

} // namespace qvureg
