#include "app/protocol/FrontEndProtocol.h"
#include "app/protocol/ProtocolPipe.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/pipes.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::DialogChangeKind;

std::string PayloadOf(const std::string& frame) {
    return frame.substr(4);
}

// Every message survives its frame whole, texts with line breaks and
// controls included; a NUL inside a text cuts it there.
TEST(FrontEndProtocolTest, MessagesComeThroughTheirFramesWhole) {
    const ViewChange change{
        1005,
        DialogChangeKind::ProgressPosition,
        {"12.3%\t(34 min)\r\n\x1b[2J", false, true, -5, 2147483647, -2147483647}};
    const auto parsedChange = ParseViewMessage(PayloadOf(EncodeFrame(ViewMessage{change})));
    ASSERT_TRUE(parsedChange);
    const auto& got = std::get<ViewChange>(*parsedChange);
    EXPECT_EQ(got.controlId, 1005);
    EXPECT_EQ(got.kind, DialogChangeKind::ProgressPosition);
    EXPECT_EQ(got.state.text, change.state.text);
    EXPECT_EQ(std::tie(got.state.visible, got.state.enabled, got.state.rangeLow,
                       got.state.rangeHigh, got.state.position),
              std::tie(change.state.visible, change.state.enabled, change.state.rangeLow,
                       change.state.rangeHigh, change.state.position));

    const ViewChoice choice{7, "Caption", "Prompt", 2, {"A", "", "C"}};
    const auto parsedChoice = ParseViewMessage(PayloadOf(EncodeFrame(ViewMessage{choice})));
    ASSERT_TRUE(parsedChoice);
    EXPECT_EQ(std::get<ViewChoice>(*parsedChoice).entries, choice.entries);
    EXPECT_EQ(std::get<ViewChoice>(*parsedChoice).preselected, 2u);

    const ViewBox box{3, MB_YESNOCANCEL | MB_ICONQUESTION, "QVUUpdate", std::string("a\0b", 3)};
    const auto parsedBox = ParseViewMessage(PayloadOf(EncodeFrame(ViewMessage{box})));
    ASSERT_TRUE(parsedBox);
    EXPECT_EQ(std::get<ViewBox>(*parsedBox).text, "a");
    EXPECT_EQ(std::get<ViewBox>(*parsedBox).type, box.type);

    const auto answer = ParseActMessage(PayloadOf(EncodeFrame(ActMessage{ActAnswer{3, IDNO}})));
    ASSERT_TRUE(answer);
    EXPECT_EQ(std::get<ActAnswer>(*answer).button, IDNO);
}

// What the engine reads from the window is checked field by field: only
// the user's acts, with buttons and numbers that can be.
TEST(FrontEndProtocolTest, ActsThatCannotBeAreRefused) {
    const std::string nul(1, '\0');
    const std::pair<std::string, bool> cases[] = {
        {"hello" + nul + "1", true},
        {"click" + nul + "1", true},
        {"click" + nul + "2", true},
        {"click" + nul + "3", false}, // no third button
        {"click" + nul + "1" + nul, false},
        {"click", false},
        {"answer" + nul + "1" + nul + "7", true},
        {"answer" + nul + "1" + nul + "8", false},
        {"answer" + nul + "-1" + nul + "6", false},
        {"answer" + nul + "99999999999" + nul + "6", false},
        {"answer" + nul + "1" + nul + "+6", false},
        {"answer" + nul + "1" + nul + " 6", false},
        {"answer" + nul + "01" + nul + "6", false},
        {"choose" + nul + "1" + nul + "0", true},
        {"choose" + nul + "1" + nul + "-0", false},
        {"choose" + nul + "1" + nul + "63", true},
        {"choose" + nul + "1" + nul + "64", false},
        {"change" + nul + "1" + nul + "text", false}, // the engine's message, not an act
        {"CLICK" + nul + "1", false},
        {"", false},
        {"hello" + nul + "0", false},
    };
    for (const auto& [payload, accepted] : cases)
        EXPECT_EQ(ParseActMessage(payload).has_value(), accepted) << payload;
}

// A frame is read whole however the pipe splits it; one that says it is
// empty or longer than any message is refused before its bytes are read;
// a pipe that ends between frames is closed, inside one broken.
TEST(FrontEndProtocolTest, FramesAreReadWholeAndBounded) {
    const std::string hello = EncodeFrame(ActMessage{ActHello{}});
    const std::string tooLong = std::string("\x00\x01\x00\x01", 4) + "x";
    const std::string empty(4, '\0');
    const std::pair<std::string, std::vector<FrameStatus>> cases[] = {
        {hello + hello, {FrameStatus::Received, FrameStatus::Received, FrameStatus::Closed}},
        {tooLong, {FrameStatus::TooLong}},
        {empty, {FrameStatus::TooLong}},
        {hello.substr(0, 6), {FrameStatus::Broken}},
        {hello.substr(0, 2), {FrameStatus::Broken}},
    };
    for (const auto& [bytes, statuses] : cases) {
        HANDLE reader = nullptr, writer = nullptr;
        ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
        for (char byte : bytes) { // one byte a write: the reader must gather them
            DWORD written = 0;
            ASSERT_TRUE(WriteFile(writer, &byte, 1, &written, nullptr));
        }
        CloseHandle(writer);
        std::string payload;
        for (FrameStatus expected : statuses) {
            EXPECT_EQ(ReceiveFrame(reader, payload), expected) << bytes.size();
            if (expected == FrameStatus::Received) {
                EXPECT_EQ(payload, PayloadOf(hello));
            }
        }
        CloseHandle(reader);
    }
}

} // namespace
