// Feeds arbitrary bytes to the front-end protocol's readers, as the engine
// reads the window (acts) and the window reads the engine (the dialog).
//
// Oracles: a payload either is no message or is one whose frame reads back
// as the same message (so nothing the reader accepts is lost or changed on
// its way), acts name only Start or Cancel, box buttons IDOK to IDNO and
// entries within the choice's bound.
#include "app/protocol/FrontEndProtocol.h"
#include "fuzz/FuzzSupport.h"
#include "platform/window.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using qvufuzz::Require;

namespace {

std::string_view PayloadOf(const std::string& frame) {
    return std::string_view(frame).substr(4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view payload(reinterpret_cast<const char*>(data), size);
    if (const auto act = ParseActMessage(payload)) {
        const std::string frame = EncodeFrame(*act);
        Require(PayloadOf(frame) == payload, "an act reads back as it was sent");
        if (const auto* click = std::get_if<ActClick>(&*act))
            Require(click->button == IDOK || click->button == IDCANCEL, "only Start or Cancel");
        if (const auto* answer = std::get_if<ActAnswer>(&*act))
            Require(answer->button >= IDOK && answer->button <= IDNO, "a box's button");
        if (const auto* choose = std::get_if<ActChoose>(&*act))
            Require(choose->index < kMaxChoiceEntries, "an entry within the bound");
    }
    if (const auto view = ParseViewMessage(payload)) {
        const std::string frame = EncodeFrame(*view);
        const auto again = ParseViewMessage(PayloadOf(frame));
        Require(again.has_value() && EncodeFrame(*again) == frame,
                "a message of the engine reads back as the same message");
        if (const auto* choice = std::get_if<ViewChoice>(&*view))
            Require(choice->entries.size() <= kMaxChoiceEntries &&
                        (choice->entries.empty() || choice->preselected < choice->entries.size()),
                    "the preselected entry is one of the choice");
    }
    return 0;
}
