#include "tools/qvu-verdll/PeWriter.h"

#include "platform/codepage.h"

#include <cstring>
#include <string_view>

namespace verdll {

namespace {

constexpr std::size_t kPeHeaderOffset = 0x80;
constexpr std::size_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kResourceRva = 0x1000;
constexpr std::size_t kVersionBlockOffset = 0x58; // inside the resource section
constexpr std::size_t kMaxBlockSize = 0xFFFF;

class Writer {
public:
    explicit Writer(std::vector<unsigned char>& out) : out_(out) {}
    void U8(unsigned value) { out_.push_back(static_cast<unsigned char>(value)); }
    void U16(unsigned value) {
        U8(value & 0xFF);
        U8(value >> 8 & 0xFF);
    }
    void U32(std::uint32_t value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    void U64(std::uint64_t value) {
        U32(static_cast<std::uint32_t>(value));
        U32(static_cast<std::uint32_t>(value >> 32));
    }
    void Bytes(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        out_.insert(out_.end(), bytes, bytes + size);
    }
    void PadTo(std::size_t alignment) {
        while (out_.size() % alignment != 0)
            U8(0);
    }
    void PatchU16(std::size_t offset, unsigned value) {
        out_[offset] = static_cast<unsigned char>(value & 0xFF);
        out_[offset + 1] = static_cast<unsigned char>(value >> 8 & 0xFF);
    }
    std::size_t Size() const { return out_.size(); }

private:
    std::vector<unsigned char>& out_;
};

// UTF-16 for UTF-8 text; invalid UTF-8 becomes U+FFFD.
std::u16string Utf16Of(std::string_view text) {
    if (text.empty())
        return {};
    const int count = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), count, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(size), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), count, wide.data(), size);
    return wide;
}

// One node of a version block: its key, a value and the nodes below it.
struct Node {
    std::u16string key;
    bool isText = true;
    std::vector<unsigned char> value;
    unsigned valueLength = 0; // characters for text, bytes otherwise
    std::vector<Node> children;
};

void WriteNode(Writer& out, const Node& node) {
    out.PadTo(4);
    const std::size_t start = out.Size();
    out.U16(0); // the length, known at the end
    out.U16(node.valueLength);
    out.U16(node.isText ? 1 : 0);
    for (char16_t unit : node.key)
        out.U16(unit);
    out.U16(0);
    out.PadTo(4);
    out.Bytes(node.value.data(), node.value.size());
    for (const Node& child : node.children)
        WriteNode(out, child);
    out.PatchU16(start, static_cast<unsigned>(out.Size() - start));
}

Node TextNode(std::u16string key, const std::u16string& text) {
    Node node{std::move(key), true, {}, static_cast<unsigned>(text.size() + 1), {}};
    std::vector<unsigned char> value;
    Writer writer(value);
    for (char16_t unit : text)
        writer.U16(unit);
    writer.U16(0);
    node.value = std::move(value);
    return node;
}

std::vector<unsigned char> FixedInfo(const Version& version) {
    std::vector<unsigned char> fixed;
    Writer out(fixed);
    const std::uint32_t high = static_cast<std::uint32_t>(version[0]) << 16 | version[1];
    const std::uint32_t low = static_cast<std::uint32_t>(version[2]) << 16 | version[3];
    out.U32(0xFEEF04BD); // signature
    out.U32(0x00010000); // structure version 1.0
    out.U32(high);       // file version
    out.U32(low);
    out.U32(high); // product version
    out.U32(low);
    out.U32(0x3F);    // flags mask
    out.U32(0);       // flags
    out.U32(0x40004); // VOS_NT_WINDOWS32
    out.U32(2);       // VFT_DLL
    out.U32(0);       // subtype
    out.U32(0);       // date
    out.U32(0);
    return fixed;
}

void WriteResourceDirectory(Writer& out, std::uint32_t id, std::uint32_t target) {
    out.U32(0); // characteristics
    out.U32(0); // time stamp
    out.U16(0); // major version
    out.U16(0); // minor version
    out.U16(0); // named entries
    out.U16(1); // numbered entries
    out.U32(id);
    out.U32(target);
}

std::vector<unsigned char> ResourceSection(const std::vector<unsigned char>& versionBlock) {
    constexpr std::uint32_t kSubdirectory = 0x80000000;
    constexpr std::uint32_t kRtVersion = 16;
    std::vector<unsigned char> section;
    Writer out(section);
    WriteResourceDirectory(out, kRtVersion, kSubdirectory | 0x18);
    WriteResourceDirectory(out, 1, kSubdirectory | 0x30);
    WriteResourceDirectory(out, 0, 0x48);
    out.U32(static_cast<std::uint32_t>(kResourceRva + kVersionBlockOffset));
    out.U32(static_cast<std::uint32_t>(versionBlock.size()));
    out.U32(0); // code page
    out.U32(0); // reserved
    out.Bytes(versionBlock.data(), versionBlock.size());
    return section;
}

void WriteDosHeader(Writer& out) {
    // The usual stub: prints that the program needs Windows and ends.
    static const unsigned char kStub[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09,
                                          0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
    static const char kMessage[] = "This program cannot be run in DOS mode.\r\r\n$";
    out.U16(0x5A4D); // "MZ"
    out.U16(0x90);   // bytes on the last page
    out.U16(3);      // pages
    out.U16(0);      // relocations
    out.U16(4);      // header paragraphs
    out.U16(0);      // minimum extra paragraphs
    out.U16(0xFFFF); // maximum extra paragraphs
    out.U16(0);      // ss
    out.U16(0xB8);   // sp
    out.U16(0);      // checksum
    out.U16(0);      // ip
    out.U16(0);      // cs
    out.U16(0x40);   // relocation table
    out.U16(0);      // overlay
    while (out.Size() < 0x3C)
        out.U8(0);
    out.U32(kPeHeaderOffset);
    out.Bytes(kStub, sizeof kStub);
    out.Bytes(kMessage, sizeof kMessage - 1);
    out.PadTo(kPeHeaderOffset);
}

std::uint32_t AlignUp(std::size_t value, std::uint32_t alignment) {
    return static_cast<std::uint32_t>((value + alignment - 1) / alignment * alignment);
}

void WriteOptionalHeader(Writer& out, std::size_t resourceSize, bool pe64) {
    out.U16(pe64 ? 0x20B : 0x10B);
    out.U8(14); // linker version
    out.U8(0);
    out.U32(0);                                     // size of code
    out.U32(AlignUp(resourceSize, kFileAlignment)); // size of initialized data
    out.U32(0);                                     // size of uninitialized data
    out.U32(0);                                     // entry point: none, resources only
    out.U32(kResourceRva);                          // base of code
    if (pe64) {
        out.U64(0x180000000); // image base
    } else {
        out.U32(kResourceRva); // base of data
        out.U32(0x10000000);   // image base
    }
    out.U32(kSectionAlignment);
    out.U32(static_cast<std::uint32_t>(kFileAlignment));
    out.U16(6); // operating system version
    out.U16(0);
    out.U16(0); // image version
    out.U16(0);
    out.U16(6); // subsystem version
    out.U16(0);
    out.U32(0);                                                       // Win32 version value
    out.U32(kResourceRva + AlignUp(resourceSize, kSectionAlignment)); // size of image
    out.U32(static_cast<std::uint32_t>(kFileAlignment));              // size of headers
    out.U32(0);                                                       // checksum
    out.U16(2);                                                       // subsystem: Windows GUI
    out.U16(0x0500); // DLL characteristics: NX compatible, no SEH
    const auto writeSize = [&](std::uint64_t size) {
        pe64 ? out.U64(size) : out.U32(static_cast<std::uint32_t>(size));
    };
    writeSize(0x100000); // stack reserve
    writeSize(0x1000);   // stack commit
    writeSize(0x100000); // heap reserve
    writeSize(0x1000);   // heap commit
    out.U32(0);          // loader flags
    constexpr int kDirectoryCount = 16;
    out.U32(kDirectoryCount);
    for (int i = 0; i < kDirectoryCount; ++i) {
        const bool isResources = i == 2;
        out.U32(isResources ? kResourceRva : 0);
        out.U32(isResources ? static_cast<std::uint32_t>(resourceSize) : 0);
    }
}

} // namespace

std::vector<unsigned char> BuildVersionBlock(const VersionResource& resource) {
    Node root{u"VS_VERSION_INFO", false, FixedInfo(resource.fixedVersion), 52, {}};
    if (resource.fileVersion) {
        Node table{
            u"000004b0", true, {}, 0, {TextNode(u"FileVersion", Utf16Of(*resource.fileVersion))}};
        root.children.push_back(Node{u"StringFileInfo", true, {}, 0, {std::move(table)}});
    }
    const std::vector<unsigned char> translation = {0x00, 0x00, 0xB0, 0x04};
    Node var{u"Translation", false, translation, 4, {}};
    root.children.push_back(Node{u"VarFileInfo", true, {}, 0, {std::move(var)}});
    std::vector<unsigned char> block;
    Writer out(block);
    WriteNode(out, root);
    if (block.size() > kMaxBlockSize)
        return {};
    return block;
}

std::vector<unsigned char> BuildResourceDll(const std::vector<unsigned char>& versionBlock,
                                            bool pe64) {
    const std::vector<unsigned char> resources = ResourceSection(versionBlock);
    std::vector<unsigned char> dll;
    Writer out(dll);
    WriteDosHeader(out);
    out.U32(0x00004550);            // "PE\0\0"
    out.U16(pe64 ? 0x8664 : 0x14C); // machine: x64 or i386
    out.U16(1);                     // sections
    out.U32(0);                     // time stamp
    out.U32(0);                     // symbol table
    out.U32(0);                     // symbols
    out.U16(pe64 ? 240 : 224);      // size of the optional header
    // Executable image, DLL; a 32-bit machine or large addresses.
    out.U16(0x2002 | (pe64 ? 0x0020 : 0x0100));
    WriteOptionalHeader(out, resources.size(), pe64);
    const char name[8] = ".rsrc";
    out.Bytes(name, sizeof name);
    out.U32(static_cast<std::uint32_t>(resources.size())); // virtual size
    out.U32(kResourceRva);
    out.U32(AlignUp(resources.size(), kFileAlignment));  // size of raw data
    out.U32(static_cast<std::uint32_t>(kFileAlignment)); // pointer to raw data
    out.U32(0);                                          // relocations
    out.U32(0);                                          // line numbers
    out.U16(0);
    out.U16(0);
    out.U32(0x40000040); // initialized data, readable
    out.PadTo(kFileAlignment);
    out.Bytes(resources.data(), resources.size());
    out.PadTo(kFileAlignment);
    return dll;
}

} // namespace verdll
