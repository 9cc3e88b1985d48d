#include "app/protocol/ProtocolPipe.h"

#include "app/protocol/FrontEndProtocol.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/pipes.h"

#include <utility>

namespace {

void CloseHeld(HANDLE& handle) {
    if (handle != nullptr)
        CloseHandle(handle);
    handle = nullptr;
}

// Reads exactly size bytes; false at the pipe's end or on a failure.
bool ReadWhole(HANDLE pipe, char* buffer, DWORD size, DWORD& total) {
    total = 0;
    while (total < size) {
        DWORD got = 0;
        if (!ReadFile(pipe, buffer + total, size - total, &got, nullptr) || got == 0)
            return false;
        total += got;
    }
    return true;
}

} // namespace

FrameStatus ReceiveFrame(HANDLE pipe, std::string& payload) {
    unsigned char header[4];
    DWORD got = 0;
    if (!ReadWhole(pipe, reinterpret_cast<char*>(header), sizeof header, got))
        return got == 0 ? FrameStatus::Closed : FrameStatus::Broken;
    const std::uint32_t length = FramePayloadLength(header);
    if (length == 0 || length > kMaxFrontEndMessageBytes)
        return FrameStatus::TooLong;
    payload.resize(length);
    return ReadWhole(pipe, payload.data(), length, got) ? FrameStatus::Received
                                                        : FrameStatus::Broken;
}

bool SendFrame(HANDLE pipe, const std::string& frame) {
    DWORD written = 0;
    return WriteFile(pipe, frame.data(), static_cast<DWORD>(frame.size()), &written, nullptr) &&
           written == frame.size();
}

std::string PeerProgramPath(const char* name) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\') + 1);
    return folder + name;
}

PeerPipes::~PeerPipes() {
    for (HANDLE* held : {&fromPeer_, &toPeer_, &peerReads_, &peerWrites_})
        CloseHeld(*held);
}

bool PeerPipes::Create(STARTUPINFOA& startupInfo) {
    if (!CreatePipe(&peerReads_, &toPeer_, nullptr, 0) ||
        !CreatePipe(&fromPeer_, &peerWrites_, nullptr, 0))
        return false;
    startupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startupInfo.hStdInput = peerReads_;
    startupInfo.hStdOutput = peerWrites_;
    startupInfo.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    return true;
}

void PeerPipes::ClosePeerEnds() {
    CloseHeld(peerReads_);
    CloseHeld(peerWrites_);
}

HANDLE PeerPipes::ReleaseFromPeer() {
    return std::exchange(fromPeer_, nullptr);
}

HANDLE PeerPipes::ReleaseToPeer() {
    return std::exchange(toPeer_, nullptr);
}
