#include "app/protocol/FrontEndProtocol.h"

#include "platform/window.h"

#include <array>
#include <limits>

namespace {

using platform::DialogChangeKind;

constexpr std::array<std::pair<DialogChangeKind, std::string_view>, 6> kKindNames = {{
    {DialogChangeKind::Text, "text"},
    {DialogChangeKind::Visible, "visible"},
    {DialogChangeKind::Enabled, "enabled"},
    {DialogChangeKind::ProgressRange, "range"},
    {DialogChangeKind::ProgressPosition, "position"},
    {DialogChangeKind::Caption, "caption"},
}};

constexpr int kMaxControlId = 0xFFFF;

// Builds a payload field by field.
class Payload {
public:
    explicit Payload(std::string_view name) : bytes_(name) {}
    Payload& operator<<(std::string_view text) {
        bytes_ += '\0';
        bytes_ += text.substr(0, text.find('\0'));
        return *this;
    }
    Payload& operator<<(long long number) {
        return *this << std::string_view(std::to_string(number));
    }
    std::string Frame() const {
        const auto length = static_cast<std::uint32_t>(bytes_.size());
        std::string frame;
        for (int shift = 24; shift >= 0; shift -= 8)
            frame += static_cast<char>((length >> shift) & 0xFF);
        return frame + bytes_;
    }

private:
    std::string bytes_;
};

// A payload taken apart: the name and the fields after it.
struct Fields {
    std::string_view name;
    std::vector<std::string_view> values;
};

Fields Split(std::string_view payload) {
    Fields fields;
    std::size_t at = payload.find('\0');
    fields.name = payload.substr(0, at);
    while (at != std::string_view::npos) {
        const std::size_t next = payload.find('\0', at + 1);
        fields.values.push_back(payload.substr(
            at + 1, next == std::string_view::npos ? std::string_view::npos : next - at - 1));
        at = next;
    }
    return fields;
}

// A decimal number within [low, high] as it is written: an optional minus,
// then 1 to 10 digits without a leading zero (0 itself has no sign).
std::optional<long long> Number(std::string_view text, long long low, long long high) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 10 || (text.front() == '0' && (text.size() > 1 || negative)))
        return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

constexpr long long kIntMin = std::numeric_limits<int>::min();
constexpr long long kIntMax = std::numeric_limits<int>::max();
constexpr long long kUnsignedMax = std::numeric_limits<unsigned>::max();

std::optional<bool> Flag(std::string_view text) {
    if (text == "0" || text == "1")
        return text == "1";
    return std::nullopt;
}

std::string_view KindName(DialogChangeKind kind) {
    for (const auto& [known, name] : kKindNames)
        if (known == kind)
            return name;
    return "text";
}

std::optional<DialogChangeKind> KindNamed(std::string_view name) {
    for (const auto& [kind, known] : kKindNames)
        if (known == name)
            return kind;
    return std::nullopt;
}

std::string Encode(const ViewHello& m) {
    return (Payload("hello") << m.version << m.language).Frame();
}
std::string Encode(const ViewChange& m) {
    const platform::DialogControlState& s = m.state;
    return (Payload("change") << m.controlId << KindName(m.kind) << s.text << s.visible << s.enabled
                              << s.rangeLow << s.rangeHigh << s.position)
        .Frame();
}
std::string Encode(const ViewBox& m) {
    return (Payload("box") << m.question << m.type << m.caption << m.text).Frame();
}
std::string Encode(const ViewChoice& m) {
    Payload payload("choice");
    payload << m.question << m.caption << m.prompt << static_cast<long long>(m.preselected);
    for (const std::string& entry : m.entries)
        payload << entry;
    return payload.Frame();
}
std::string Encode(const ViewBrowse& m) {
    return (Payload("browse") << m.address).Frame();
}
std::string Encode(const ViewNote& m) {
    return (Payload("note") << m.caption << m.text).Frame();
}
std::string Encode(const ViewEnd&) {
    return Payload("end").Frame();
}
std::string Encode(const ActHello& m) {
    return (Payload("hello") << m.version).Frame();
}
std::string Encode(const ActClick& m) {
    return (Payload("click") << m.button).Frame();
}
std::string Encode(const ActAnswer& m) {
    return (Payload("answer") << m.question << m.button).Frame();
}
std::string Encode(const ActChoose& m) {
    return (Payload("choose") << m.question << static_cast<long long>(m.index)).Frame();
}

std::optional<ViewMessage> ParseChange(const std::vector<std::string_view>& v) {
    const auto id = Number(v[0], 0, kMaxControlId);
    const auto kind = KindNamed(v[1]);
    const auto visible = Flag(v[3]);
    const auto enabled = Flag(v[4]);
    const auto low = Number(v[5], kIntMin, kIntMax);
    const auto high = Number(v[6], kIntMin, kIntMax);
    const auto position = Number(v[7], kIntMin, kIntMax);
    if (!id || !kind || !visible || !enabled || !low || !high || !position)
        return std::nullopt;
    return ViewChange{static_cast<int>(*id), *kind,
                      platform::DialogControlState{std::string(v[2]), *visible, *enabled,
                                                   static_cast<int>(*low), static_cast<int>(*high),
                                                   static_cast<int>(*position)}};
}

std::optional<ViewMessage> ParseChoice(const std::vector<std::string_view>& v) {
    const auto question = Number(v[0], 0, kUnsignedMax);
    const std::size_t count = v.size() - 4;
    const auto preselected = Number(v[3], 0, count == 0 ? 0 : static_cast<long long>(count) - 1);
    if (!question || !preselected || count > kMaxChoiceEntries)
        return std::nullopt;
    ViewChoice choice{static_cast<unsigned>(*question),
                      std::string(v[1]),
                      std::string(v[2]),
                      static_cast<std::size_t>(*preselected),
                      {}};
    for (std::size_t i = 4; i < v.size(); ++i)
        choice.entries.emplace_back(v[i]);
    return choice;
}

} // namespace

std::string EncodeFrame(const ViewMessage& message) {
    return std::visit([](const auto& m) { return Encode(m); }, message);
}

std::string EncodeFrame(const ActMessage& message) {
    return std::visit([](const auto& m) { return Encode(m); }, message);
}

std::uint32_t FramePayloadLength(const unsigned char (&header)[4]) {
    return (std::uint32_t{header[0]} << 24) | (std::uint32_t{header[1]} << 16) |
           (std::uint32_t{header[2]} << 8) | std::uint32_t{header[3]};
}

std::optional<ViewMessage> ParseViewMessage(std::string_view payload) {
    const Fields f = Split(payload);
    const std::vector<std::string_view>& v = f.values;
    if (f.name == "hello" && v.size() == 2) {
        const auto version = Number(v[0], 1, kIntMax);
        const auto language = Number(v[1], 0, 0xFFFF);
        if (version && language)
            return ViewHello{static_cast<int>(*version), static_cast<unsigned>(*language)};
    } else if (f.name == "change" && v.size() == 8) {
        return ParseChange(v);
    } else if (f.name == "box" && v.size() == 4) {
        const auto question = Number(v[0], 0, kUnsignedMax);
        const auto type = Number(v[1], 0, kUnsignedMax);
        if (question && type)
            return ViewBox{static_cast<unsigned>(*question), static_cast<UINT>(*type),
                           std::string(v[2]), std::string(v[3])};
    } else if (f.name == "choice" && v.size() >= 4) {
        return ParseChoice(v);
    } else if (f.name == "browse" && v.size() == 1) {
        return ViewBrowse{std::string(v[0])};
    } else if (f.name == "note" && v.size() == 2) {
        return ViewNote{std::string(v[0]), std::string(v[1])};
    } else if (f.name == "end" && v.empty()) {
        return ViewEnd{};
    }
    return std::nullopt;
}

std::optional<ActMessage> ParseActMessage(std::string_view payload) {
    const Fields f = Split(payload);
    const std::vector<std::string_view>& v = f.values;
    if (f.name == "hello" && v.size() == 1) {
        if (const auto version = Number(v[0], 1, kIntMax))
            return ActHello{static_cast<int>(*version)};
    } else if (f.name == "click" && v.size() == 1) {
        const auto button = Number(v[0], IDOK, IDCANCEL);
        if (button)
            return ActClick{static_cast<int>(*button)};
    } else if (f.name == "answer" && v.size() == 2) {
        const auto question = Number(v[0], 0, kUnsignedMax);
        const auto button = Number(v[1], IDOK, IDNO);
        if (question && button)
            return ActAnswer{static_cast<unsigned>(*question), static_cast<int>(*button)};
    } else if (f.name == "choose" && v.size() == 2) {
        const auto question = Number(v[0], 0, kUnsignedMax);
        const auto index = Number(v[1], 0, static_cast<long long>(kMaxChoiceEntries) - 1);
        if (question && index)
            return ActChoose{static_cast<unsigned>(*question), static_cast<std::size_t>(*index)};
    }
    return std::nullopt;
}
