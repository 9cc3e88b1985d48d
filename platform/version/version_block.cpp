#include "platform/version/version_block.h"

#include "platform/locale/codepage_codecs.h"
#include "platform/strings.h"

#include <cstring>
#include <string>

namespace platform {

namespace {

constexpr std::size_t kNodeHeaderSize = 6;
// Real blocks are four levels deep; anything much deeper is not a version block.
constexpr int kMaxDepth = 16;
constexpr unsigned char kNarrowMarker[4] = {'F', 'E', '2', 'X'};

std::size_t AlignUp4(std::size_t value) {
    return (value + 3) & ~std::size_t{3};
}

WORD ReadU16(const unsigned char* at) {
    return static_cast<WORD>(at[0] | at[1] << 8);
}

struct ParsedNode {
    VersionNode node;
    std::size_t keyOffset;
    std::size_t keyUnits; // without the terminating zero
    std::size_t childrenOffset;
    std::size_t end;
};

// The node at offset, which must lie inside [offset, limit) of the block;
// nothing when its lengths do not fit or its key does not end.
std::optional<ParsedNode> ParseNode(std::span<const unsigned char> block, std::size_t offset,
                                    std::size_t limit) {
    if (limit > block.size() || offset > limit || limit - offset < kNodeHeaderSize)
        return std::nullopt;
    const std::size_t length = ReadU16(&block[offset]);
    if (length < kNodeHeaderSize || length > limit - offset)
        return std::nullopt;
    ParsedNode parsed{};
    parsed.end = offset + length;
    parsed.keyOffset = offset + kNodeHeaderSize;
    std::size_t at = parsed.keyOffset;
    while (at + 2 <= parsed.end && ReadU16(&block[at]) != 0)
        at += 2;
    if (at + 2 > parsed.end)
        return std::nullopt;
    parsed.keyUnits = (at - parsed.keyOffset) / 2;
    const bool isText = ReadU16(&block[offset + 4]) == 1;
    const std::size_t declared = std::size_t{ReadU16(&block[offset + 2])} * (isText ? 2 : 1);
    const std::size_t valueOffset = std::min(AlignUp4(at + 2), parsed.end);
    // Some writers count text values in bytes: a value is cut at its node's end
    // rather than refused, and the children begin after what is left of it.
    const std::size_t valueSize = std::min(declared, parsed.end - valueOffset);
    parsed.node = {isText, valueOffset, valueSize};
    parsed.childrenOffset = std::min(AlignUp4(valueOffset + valueSize), parsed.end);
    return parsed;
}

// Calls visit for each child of parent in order while it answers true.
// False when a child is damaged or visit answered false.
template <typename Visit>
bool ForEachChild(std::span<const unsigned char> block, const ParsedNode& parent, Visit visit) {
    std::size_t at = parent.childrenOffset;
    while (at + kNodeHeaderSize <= parent.end) {
        // Zeros where a child would begin are padding that ends the list.
        if (ReadU16(&block[at]) == 0)
            return true;
        const std::optional<ParsedNode> child = ParseNode(block, at, parent.end);
        if (!child || !visit(*child))
            return false;
        at = AlignUp4(child->end);
    }
    return true;
}

template <typename Visit>
bool ForEachNode(std::span<const unsigned char> block, const ParsedNode& node, int depth,
                 Visit& visit) {
    if (depth > kMaxDepth)
        return false;
    visit(node);
    return ForEachChild(block, node, [&](const ParsedNode& child) {
        return ForEachNode(block, child, depth + 1, visit);
    });
}

// UTF-8 for UTF-16 text, up to its first zero; a lone surrogate becomes U+FFFD.
std::string Utf8Of(const unsigned char* text, std::size_t units) {
    std::u16string wide;
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = ReadU16(text + 2 * i);
        if (unit == 0)
            break;
        wide += unit;
    }
    return platform::EncodeNarrow(platform::NarrowEncoding::Utf8, wide, '?').bytes;
}

// Keys are compared ignoring the case of ASCII letters, as Windows compares them.
bool KeyEquals(std::span<const unsigned char> block, const ParsedNode& node,
               std::string_view name) {
    const std::string key = Utf8Of(&block[node.keyOffset], node.keyUnits);
    return ascii::EqualsIgnoringCase(key, name);
}

// The raw block at the start of a resource or of laid-out data.
std::span<const unsigned char> RawBlock(const unsigned char* data) {
    return {data, ReadU16(data)};
}

std::size_t MarkerOffset(std::size_t rawSize) {
    return AlignUp4(rawSize);
}

std::size_t NarrowOffset(std::size_t rawSize, std::size_t rawOffset) {
    return MarkerOffset(rawSize) + sizeof kNarrowMarker + rawOffset + rawOffset / 2;
}

} // namespace

std::size_t VersionInfoDataSize(std::span<const unsigned char> resource) {
    if (resource.size() < kNodeHeaderSize)
        return 0;
    const std::span<const unsigned char> block = RawBlock(resource.data());
    if (block.size() > resource.size())
        return 0;
    const std::optional<ParsedNode> root = ParseNode(block, 0, block.size());
    auto ignore = [](const ParsedNode&) {};
    if (!root || !ForEachNode(block, *root, 0, ignore))
        return 0;
    return AlignUp4(NarrowOffset(block.size(), block.size()) + 1);
}

void LayOutVersionInfoData(std::span<const unsigned char> resource, unsigned char* data) {
    const std::size_t size = VersionInfoDataSize(resource);
    if (size == 0)
        return;
    const std::span<const unsigned char> block = RawBlock(resource.data());
    std::memset(data, 0, size);
    std::memcpy(data, block.data(), block.size());
    std::memcpy(data + MarkerOffset(block.size()), kNarrowMarker, sizeof kNarrowMarker);
    auto copyText = [&](const ParsedNode& parsed) {
        if (!parsed.node.isText)
            return;
        const std::string narrow =
            Utf8Of(&block[parsed.node.valueOffset], parsed.node.valueSize / 2);
        std::memcpy(data + NarrowOffset(block.size(), parsed.node.valueOffset), narrow.c_str(),
                    narrow.size() + 1);
    };
    ForEachNode(block, *ParseNode(block, 0, block.size()), 0, copyText);
}

std::optional<VersionNode> FindVersionNode(const unsigned char* data, std::string_view subBlock) {
    const std::span<const unsigned char> block = RawBlock(data);
    std::optional<ParsedNode> node = ParseNode(block, 0, block.size());
    std::size_t start = 0;
    while (node && start < subBlock.size()) {
        std::size_t stop = subBlock.find('\\', start);
        if (stop == std::string_view::npos)
            stop = subBlock.size();
        const std::string_view name = subBlock.substr(start, stop - start);
        start = stop + 1;
        if (name.empty())
            continue;
        std::optional<ParsedNode> found;
        ForEachChild(block, *node, [&](const ParsedNode& child) {
            if (KeyEquals(block, child, name))
                found = child;
            return !found;
        });
        node = found;
    }
    if (!node)
        return std::nullopt;
    return node->node;
}

const char* NarrowValueOf(const unsigned char* data, const VersionNode& node) {
    const std::size_t rawSize = RawBlock(data).size();
    if (std::memcmp(data + MarkerOffset(rawSize), kNarrowMarker, sizeof kNarrowMarker) != 0)
        return nullptr;
    return reinterpret_cast<const char*>(data + NarrowOffset(rawSize, node.valueOffset));
}

} // namespace platform
