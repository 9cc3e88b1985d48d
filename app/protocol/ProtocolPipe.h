// The front-end protocol's frames on a pipe: each side reads whole frames,
// bounded in length, and writes whole frames.
#pragma once

#include "platform/process.h"
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

// The Windows-style path of the peer program name (QVUUpdate, or
// QVUUpdateWindow), which lies beside the running one.
std::string PeerProgramPath(const char* name);

// The two pipes to a peer this program starts (the window for the engine,
// the engine for the window): Create makes them and sets startupInfo
// (STARTF_USESTDHANDLES) so that the peer speaks the protocol on its
// standard input and output, its standard error being this program's. Once
// the peer runs, ClosePeerEnds leaves this program only its own ends, so
// that the pipes end when the peer does. What is not released is closed
// when the object goes.
class PeerPipes {
public:
    PeerPipes() = default;
    ~PeerPipes();
    PeerPipes(const PeerPipes&) = delete;
    PeerPipes& operator=(const PeerPipes&) = delete;

    // False when a pipe cannot be made.
    bool Create(STARTUPINFOA& startupInfo);
    void ClosePeerEnds();
    // This program's ends, from now on the caller's to close.
    HANDLE ReleaseFromPeer();
    HANDLE ReleaseToPeer();

private:
    HANDLE fromPeer_ = nullptr;
    HANDLE toPeer_ = nullptr;
    HANDLE peerReads_ = nullptr;
    HANDLE peerWrites_ = nullptr;
};
