// For platform/ only: the version block (VS_VERSIONINFO) of a version
// resource and the data that GetFileVersionInfoA hands out for it.
//
// A block is a tree of nodes: WORD wLength, WORD wValueLength, WORD wType
// (1 text, 0 binary), a UTF-16 key ending with a zero, padding to four bytes,
// the value (wValueLength characters for text, bytes otherwise), padding, and
// the child nodes. Every length is checked against the node that holds it.
//
// The data handed out is laid out like Windows lays it out: the raw block,
// the marker "FE2X", then room where the narrow (UTF-8) copies of the text
// values live, so that VerQueryValueA can answer a narrow string with a
// pointer into the caller's own buffer. The copy of a value found at offset p
// of the raw block lies at p * 3 / 2 in that room: a UTF-16 unit never takes
// more than three UTF-8 bytes, so the copies never overlap.
#pragma once

#include "platform/win_types.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace platform {

struct VersionNode {
    bool isText;
    std::size_t valueOffset; // from the start of the block
    std::size_t valueSize;   // in bytes, never beyond the node
};

// The size of the data for a version resource, or 0 when the resource holds
// no sound version block.
std::size_t VersionInfoDataSize(std::span<const unsigned char> resource);

// Writes the data for a version resource into data (VersionInfoDataSize bytes).
void LayOutVersionInfoData(std::span<const unsigned char> resource, unsigned char* data);

// The node a sub-block names in laid-out data: "\" is the root, further names
// separated by backslashes are matched against the keys ignoring case.
std::optional<VersionNode> FindVersionNode(const unsigned char* data, std::string_view subBlock);

// The narrow copy of a text node's value, or nullptr when the data carries no
// narrow copies (it was not laid out by LayOutVersionInfoData).
const char* NarrowValueOf(const unsigned char* data, const VersionNode& node);

} // namespace platform
