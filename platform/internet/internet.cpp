#include "platform/internet.h"

#include "platform/errors.h"
#include "platform/internet/internet_transfer.h"
#include "platform/sync/kernel_objects.h"

#include <cstring>
#include <memory>
#include <mutex>

namespace {

// Internet handles live in the kernel's handle table, as on Windows they are
// small numbers that are never reused.
struct InternetObject : platform::KernelObject {};

struct InternetSession : InternetObject {
    platform::InternetSessionSettings settings;
};

struct InternetFile : InternetObject {
    explicit InternetFile(std::unique_ptr<platform::InternetTransfer> started)
        : transfer(std::move(started)) {}
    std::mutex lock; // one read at a time
    std::unique_ptr<platform::InternetTransfer> transfer;
};

// The handle's object of the wanted kind; null with the error set otherwise.
template <class T> std::shared_ptr<T> FindInternetObject(HINTERNET handle) {
    const auto object = platform::FindKernelObjectAs<InternetObject>(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto wanted = std::dynamic_pointer_cast<T>(object);
    if (!wanted)
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return wanted;
}

} // namespace

HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass,
                        DWORD /*flags*/) {
    if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT &&
        accessType != INTERNET_OPEN_TYPE_PROXY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto session = std::make_shared<InternetSession>();
    session->settings.agent = agent ? agent : "";
    session->settings.accessType = accessType;
    session->settings.proxy = proxy ? proxy : "";
    session->settings.proxyBypass = proxyBypass ? proxyBypass : "";
    return platform::RegisterKernelObject(std::move(session));
}

HINTERNET InternetOpenUrlA(HINTERNET internet, LPCSTR url, LPCSTR headers, DWORD headersLength,
                           DWORD flags, DWORD_PTR /*context*/) {
    const auto session = FindInternetObject<InternetSession>(internet);
    if (!session)
        return nullptr;
    if (url == nullptr || *url == '\0') {
        SetLastError(ERROR_INTERNET_INVALID_URL);
        return nullptr;
    }
    platform::InternetRequest request;
    request.url = url;
    request.flags = flags;
    if (headers != nullptr)
        request.extraHeaders.assign(headers, headersLength == static_cast<DWORD>(-1)
                                                 ? std::strlen(headers)
                                                 : headersLength);
    auto transfer =
        std::make_unique<platform::InternetTransfer>(session->settings, std::move(request));
    if (!transfer->Start()) {
        SetLastError(transfer->Error());
        return nullptr;
    }
    return platform::RegisterKernelObject(std::make_shared<InternetFile>(std::move(transfer)));
}

BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD numberOfBytesToRead,
                      LPDWORD numberOfBytesRead) {
    if (numberOfBytesRead == nullptr || (buffer == nullptr && numberOfBytesToRead > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *numberOfBytesRead = 0;
    const auto object = FindInternetObject<InternetFile>(file);
    if (!object)
        return FALSE;
    std::lock_guard<std::mutex> guard(object->lock);
    std::size_t count = 0;
    const bool read =
        object->transfer->Read(static_cast<char*>(buffer), numberOfBytesToRead, count);
    *numberOfBytesRead = static_cast<DWORD>(count);
    if (!read) {
        SetLastError(object->transfer->Error());
        return FALSE;
    }
    return TRUE;
}

BOOL InternetCloseHandle(HINTERNET internet) {
    if (!FindInternetObject<InternetObject>(internet))
        return FALSE;
    if (!platform::UnregisterKernelObject(internet)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL platform::LimitInternetSessionTime(HINTERNET internet) {
    const auto session = FindInternetObject<InternetSession>(internet);
    if (!session)
        return FALSE;
    session->settings.wholeWithinReceiveTimeout = true;
    return TRUE;
}
