// The front-end protocol: how the update engine (running as the
// administrator) shows its dialog in a window program of the desktop's user,
// and what the window sends back. The engine sends the dialog's model
// (controls' texts and states, progress, caption, the page's address), its
// modal requests (a message box, the product choice) and what only the user
// may do (open a page in the browser); the window sends only what the user
// does: Start or Cancel, a box's answer, a product's index.
//
// A message is a frame: its payload's length as 4 bytes, most significant
// first, then the payload: the message's name and its fields, separated by
// NUL bytes (no text of the dialog holds one). Numbers are decimal. Each
// side begins with "hello" and the protocol's version; a peer that speaks
// another version is not talked to.
#pragma once

#include "platform/dialog_controls.h"
#include "platform/win_types.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

constexpr int kFrontEndProtocolVersion = 1;
// The switch that makes QVUUpdate speak the protocol on its standard
// streams (the window started it), and the one that tells QVUUpdateWindow
// the engine started it and speaks on its standard streams.
inline constexpr const char* kEngineWindowSwitch = "--window-pipe";
inline constexpr const char* kWindowEngineSwitch = "--engine-pipe";
// No message is longer: a reader refuses a frame that says it is.
constexpr std::size_t kMaxFrontEndMessageBytes = 64 * 1024;
// A choice offers at most this many entries (the catalogue has fifteen products).
constexpr std::size_t kMaxChoiceEntries = 64;

// ---- From the engine to the window ----

// The engine's version and the language of its texts (a LANGID), so that
// the window's own words (buttons of boxes) match them.
struct ViewHello {
    int version = kFrontEndProtocolVersion;
    unsigned language = 0;
};
// One change of the dialog's model (a Caption change names control 0).
struct ViewChange {
    int controlId = 0;
    platform::DialogChangeKind kind = platform::DialogChangeKind::Text;
    platform::DialogControlState state;
};
// A modal message box of MB_ type; answered with ActAnswer of its question.
struct ViewBox {
    unsigned question = 0;
    UINT type = 0;
    std::string caption;
    std::string text;
};
// The modal product choice; answered with ActChoose of its question.
struct ViewChoice {
    unsigned question = 0;
    std::string caption;
    std::string prompt;
    std::size_t preselected = 0;
    std::vector<std::string> entries;
};
// An http(s) address for the user's browser.
struct ViewBrowse {
    std::string address;
};
// A fact beside the dialog's texts (the disk is full), in English.
struct ViewNote {
    std::string caption;
    std::string text;
};
// The dialog has ended: the window closes.
struct ViewEnd {};

using ViewMessage =
    std::variant<ViewHello, ViewChange, ViewBox, ViewChoice, ViewBrowse, ViewNote, ViewEnd>;

// ---- From the window to the engine ----

struct ActHello {
    int version = kFrontEndProtocolVersion;
};
// A click on Start (IDOK) or Cancel (IDCANCEL).
struct ActClick {
    int button = 0;
};
// The button that answered the box of question (IDOK ... IDNO).
struct ActAnswer {
    unsigned question = 0;
    int button = 0;
};
// The entry confirmed in the choice of question.
struct ActChoose {
    unsigned question = 0;
    std::size_t index = 0;
};

using ActMessage = std::variant<ActHello, ActClick, ActAnswer, ActChoose>;

// The whole frame of a message, ready to write. A text that holds a NUL is
// cut there.
std::string EncodeFrame(const ViewMessage& message);
std::string EncodeFrame(const ActMessage& message);

// The payload length a frame's 4 header bytes give.
std::uint32_t FramePayloadLength(const unsigned char (&header)[4]);

// The message of a frame's payload; none for a payload that is no message
// of its direction: an unknown name, a wrong number of fields, a number
// that does not parse or is out of range (a button that is no box button, a
// change kind or control id that does not exist).
std::optional<ViewMessage> ParseViewMessage(std::string_view payload);
std::optional<ActMessage> ParseActMessage(std::string_view payload);
