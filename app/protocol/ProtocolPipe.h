// The front-end protocol's frames on a pipe: each side reads whole frames,
// bounded in length, and writes whole frames.
#pragma once

#include "platform/win_types.h"

#include <string>

enum class FrameStatus {
    Received, // payload holds the frame's payload
    Closed,   // the other side closed the pipe between two frames
    Broken,   // the pipe ended or failed inside a frame
    TooLong,  // the frame says it is empty or longer than kMaxFrontEndMessageBytes
};

// Waits for the next frame on pipe and reads it whole.
FrameStatus ReceiveFrame(HANDLE pipe, std::string& payload);

// Writes frame whole (EncodeFrame); false when the pipe is closed or broken.
bool SendFrame(HANDLE pipe, const std::string& frame);
