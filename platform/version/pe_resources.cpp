#include "platform/version/pe_resources.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

namespace {

constexpr WORD kDosSignature = 0x5A4D;     // "MZ"
constexpr DWORD kPeSignature = 0x00004550; // "PE\0\0"
constexpr std::uint64_t kNewHeaderOffsetField = 0x3C;
constexpr std::uint64_t kCoffHeaderSize = 20;
constexpr WORD kPe32Magic = 0x10B;
constexpr WORD kPe32PlusMagic = 0x20B;
constexpr DWORD kResourceDirectoryIndex = 2;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kDirectoryEntrySize = 8;
constexpr std::uint64_t kDataEntrySize = 16;
constexpr DWORD kSubdirectoryFlag = 0x80000000;
constexpr DWORD kRtVersion = 16;

// Little-endian reads that answer nothing instead of reading past the end.
class Bytes {
public:
    Bytes(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool Has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    std::optional<WORD> U16(std::uint64_t offset) const {
        if (!Has(offset, 2))
            return std::nullopt;
        return static_cast<WORD>(data_[offset] | data_[offset + 1] << 8);
    }
    std::optional<DWORD> U32(std::uint64_t offset) const {
        if (!Has(offset, 4))
            return std::nullopt;
        return static_cast<DWORD>(data_[offset]) | static_cast<DWORD>(data_[offset + 1]) << 8 |
               static_cast<DWORD>(data_[offset + 2]) << 16 |
               static_cast<DWORD>(data_[offset + 3]) << 24;
    }
    const unsigned char* At(std::uint64_t offset) const { return data_ + offset; }

private:
    const unsigned char* data_;
    std::size_t size_;
};

struct Section {
    DWORD virtualAddress;
    DWORD fileBackedSize; // the part of the section that the file holds
    DWORD fileOffset;
};

struct Image {
    std::vector<Section> sections;
    DWORD resourceRva = 0;
    DWORD resourceSize = 0;
};

// Where the optional header of each format keeps the count of data
// directories; the directories follow it.
std::optional<std::uint64_t> DirectoryCountOffset(WORD magic) {
    if (magic == kPe32Magic)
        return 92;
    if (magic == kPe32PlusMagic)
        return 108;
    return std::nullopt;
}

// Reads the headers and the section table; false when they do not describe a PE image.
bool ReadHeaders(const Bytes& bytes, Image& image) {
    if (bytes.U16(0) != kDosSignature)
        return false;
    const std::optional<DWORD> peOffset = bytes.U32(kNewHeaderOffsetField);
    if (!peOffset || bytes.U32(*peOffset) != kPeSignature)
        return false;
    const std::uint64_t coff = std::uint64_t{*peOffset} + 4;
    const std::optional<WORD> sectionCount = bytes.U16(coff + 2);
    const std::optional<WORD> optionalSize = bytes.U16(coff + 16);
    if (!sectionCount || !optionalSize)
        return false;
    const std::uint64_t optional = coff + kCoffHeaderSize;
    const std::optional<WORD> magic = bytes.U16(optional);
    const std::optional<std::uint64_t> countOffset =
        magic ? DirectoryCountOffset(*magic) : std::nullopt;
    if (!countOffset || *countOffset + 4 > *optionalSize)
        return false;
    const std::optional<DWORD> directoryCount = bytes.U32(optional + *countOffset);
    if (!directoryCount)
        return false;
    const std::uint64_t resourceEntry = *countOffset + 4 + kResourceDirectoryIndex * 8;
    if (*directoryCount > kResourceDirectoryIndex && resourceEntry + 8 <= *optionalSize) {
        const std::optional<DWORD> rva = bytes.U32(optional + resourceEntry);
        const std::optional<DWORD> size = bytes.U32(optional + resourceEntry + 4);
        if (!rva || !size)
            return false;
        image.resourceRva = *rva;
        image.resourceSize = *size;
    }
    const std::uint64_t table = optional + *optionalSize;
    if (!bytes.Has(table, *sectionCount * kSectionHeaderSize))
        return false;
    for (std::uint64_t i = 0; i < *sectionCount; ++i) {
        const std::uint64_t header = table + i * kSectionHeaderSize;
        const DWORD virtualSize = *bytes.U32(header + 8);
        const DWORD rawSize = *bytes.U32(header + 16);
        // The loader maps only VirtualSize bytes; the rest of the raw data is padding.
        const DWORD backed = virtualSize != 0 && virtualSize < rawSize ? virtualSize : rawSize;
        image.sections.push_back({*bytes.U32(header + 12), backed, *bytes.U32(header + 20)});
    }
    return true;
}

// The file offset of length bytes at rva, when one section's file data holds them all.
std::optional<std::uint64_t> FileOffsetOf(const Image& image, const Bytes& bytes, std::uint64_t rva,
                                          std::uint64_t length) {
    for (const Section& section : image.sections) {
        if (rva < section.virtualAddress)
            continue;
        const std::uint64_t into = rva - section.virtualAddress;
        if (into > section.fileBackedSize || length > section.fileBackedSize - into)
            continue;
        const std::uint64_t offset = section.fileOffset + into;
        if (bytes.Has(offset, length))
            return offset;
    }
    return std::nullopt;
}

// The resource tree: directories whose entries point, relative to the start
// of the resource section, at further directories or at data entries.
class ResourceTree {
public:
    ResourceTree(const Image& image, const Bytes& bytes) : image_(image), bytes_(bytes) {}

    // File offset of length bytes at an offset inside the resource section.
    std::optional<std::uint64_t> Locate(std::uint64_t offset, std::uint64_t length) const {
        if (offset > image_.resourceSize || length > image_.resourceSize - offset)
            return std::nullopt;
        return FileOffsetOf(image_, bytes_, std::uint64_t{image_.resourceRva} + offset, length);
    }

    // The entry of a directory with the numeric id, or its first entry when
    // id is empty: its target field, or nothing when there is none.
    std::optional<DWORD> Entry(DWORD directory, std::optional<DWORD> id) const {
        const std::optional<std::uint64_t> header = Locate(directory, kDirectoryHeaderSize);
        if (!header)
            return std::nullopt;
        const WORD named = *bytes_.U16(*header + 12);
        const WORD numbered = *bytes_.U16(*header + 14);
        const std::uint64_t total = std::uint64_t{named} + numbered;
        const std::optional<std::uint64_t> entries =
            Locate(std::uint64_t{directory} + kDirectoryHeaderSize, total * kDirectoryEntrySize);
        if (!entries || total == 0)
            return std::nullopt;
        if (!id)
            return bytes_.U32(*entries + 4);
        // Numbered entries follow the named ones.
        for (std::uint64_t i = named; i < total; ++i) {
            const std::uint64_t entry = *entries + i * kDirectoryEntrySize;
            if (bytes_.U32(entry) == *id)
                return bytes_.U32(entry + 4);
        }
        return std::nullopt;
    }

private:
    const Image& image_;
    const Bytes& bytes_;
};

bool IsSubdirectory(DWORD target) {
    return (target & kSubdirectoryFlag) != 0;
}
DWORD OffsetOf(DWORD target) {
    return target & ~kSubdirectoryFlag;
}

} // namespace

DWORD ReadVersionResource(const unsigned char* data, std::size_t size,
                          std::span<const unsigned char>& resource) {
    const Bytes bytes(data, size);
    Image image;
    if (!ReadHeaders(bytes, image))
        return ERROR_BAD_EXE_FORMAT;
    if (image.resourceRva == 0 || image.resourceSize == 0)
        return ERROR_RESOURCE_TYPE_NOT_FOUND;
    const ResourceTree tree(image, bytes);
    if (!tree.Locate(0, kDirectoryHeaderSize))
        return ERROR_RESOURCE_DATA_NOT_FOUND;
    const std::optional<DWORD> type = tree.Entry(0, kRtVersion);
    if (!type)
        return ERROR_RESOURCE_TYPE_NOT_FOUND;
    // Exactly three levels: type, name, language. Walking a fixed depth keeps
    // a tree whose entries point back at a parent from being followed forever.
    if (!IsSubdirectory(*type))
        return ERROR_RESOURCE_DATA_NOT_FOUND;
    const std::optional<DWORD> name = tree.Entry(OffsetOf(*type), std::nullopt);
    if (!name || !IsSubdirectory(*name))
        return ERROR_RESOURCE_DATA_NOT_FOUND;
    const std::optional<DWORD> language = tree.Entry(OffsetOf(*name), std::nullopt);
    if (!language || IsSubdirectory(*language))
        return ERROR_RESOURCE_DATA_NOT_FOUND;
    const std::optional<std::uint64_t> entry = tree.Locate(*language, kDataEntrySize);
    if (!entry)
        return ERROR_RESOURCE_DATA_NOT_FOUND;
    // The data entry names its bytes by address in the loaded image, not by
    // offset in the resource section.
    const DWORD dataRva = *bytes.U32(*entry);
    const DWORD dataSize = *bytes.U32(*entry + 4);
    const std::optional<std::uint64_t> offset = FileOffsetOf(image, bytes, dataRva, dataSize);
    if (!offset)
        return ERROR_RESOURCE_DATA_NOT_FOUND;
    resource = std::span<const unsigned char>(bytes.At(*offset), dataSize);
    return ERROR_SUCCESS;
}

} // namespace platform
