#include "platform/resources.h"

#include "platform/errors.h"
#include "platform/runtime/resources_embedded.h"
#include "platform/strings.h"

#include <charconv>
#include <climits>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

// The classic image base of a Windows program: any non-null value serves, as
// long as it can never be a kernel object handle (those are small numbers).
const HMODULE kProgramModule = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x400000));

struct Resource {
    std::string name;
    std::string type;
    const unsigned char* data;
    std::size_t size;
};

std::mutex tableLock;
// Never destroyed: resources may be looked up while other statics go away.
std::vector<std::unique_ptr<Resource>>& Table() {
    static auto* table = new std::vector<std::unique_ptr<Resource>>();
    return *table;
}

// Names and types as the resource compiler keeps them: texts in upper case,
// numbers as "#" and the decimal number, so "#0010" and MAKEINTRESOURCEA(10) meet.
std::string ResourceKey(LPCSTR nameOrId) {
    if (IS_INTRESOURCE(nameOrId))
        return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(nameOrId));
    const std::string_view text(nameOrId);
    if (text.size() > 1 && text.front() == '#') {
        unsigned long number = 0;
        const auto [end, error] =
            std::from_chars(text.data() + 1, text.data() + text.size(), number);
        if (error == std::errc() && end == text.data() + text.size() && number <= 0xFFFF)
            return "#" + std::to_string(number);
    }
    return ascii::ToUpper(text);
}

// The file name without folder and without ".exe", in upper case.
std::string ModuleKey(std::string_view fileName) {
    const std::size_t slash = fileName.find_last_of("\\/");
    if (slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    std::string key = ascii::ToUpper(fileName);
    if (key.ends_with(".EXE"))
        key.resize(key.size() - 4);
    return key;
}

std::string ProgramFileName() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

bool IsProgramModule(HMODULE module) {
    return module == nullptr || module == kProgramModule;
}

// The table's entry behind a handle, or null when the handle is none of ours.
const Resource* FindEntry(HRSRC resource) {
    std::lock_guard<std::mutex> guard(tableLock);
    for (const auto& entry : Table())
        if (reinterpret_cast<HRSRC>(entry.get()) == resource)
            return entry.get();
    return nullptr;
}

} // namespace

namespace platform {

void RegisterEmbeddedResource(const char* name, const char* type, const unsigned char* data,
                              std::size_t size) {
    std::lock_guard<std::mutex> guard(tableLock);
    Table().push_back(
        std::make_unique<Resource>(Resource{ResourceKey(name), ResourceKey(type), data, size}));
}

} // namespace platform

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    if (moduleName == nullptr)
        return kProgramModule;
    const std::string program = ModuleKey(ProgramFileName());
    if (!program.empty() && ModuleKey(moduleName) == program)
        return kProgramModule;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    if (!IsProgramModule(module)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    const std::string nameKey = ResourceKey(name);
    const std::string typeKey = ResourceKey(type);
    bool typeFound = false;
    std::lock_guard<std::mutex> guard(tableLock);
    for (const auto& entry : Table()) {
        if (entry->type != typeKey)
            continue;
        typeFound = true;
        if (entry->name == nameKey)
            return reinterpret_cast<HRSRC>(entry.get());
    }
    SetLastError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    const Resource* entry = IsProgramModule(module) ? FindEntry(resource) : nullptr;
    if (entry == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(entry->size);
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    const Resource* entry = IsProgramModule(module) ? FindEntry(resource) : nullptr;
    if (entry == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The bytes are a constant array; like a Windows resource section they
    // are handed out writable in type but must not be written.
    return const_cast<unsigned char*>(entry->data);
}

LPVOID LockResource(HGLOBAL resourceData) {
    return resourceData;
}
