#include "app/protocol/ProtocolPipe.h"

#include "app/protocol/FrontEndProtocol.h"
#include "platform/files.h"

namespace {

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
