// The desktop settings kept as XML: Xfce's xfce4-desktop channel and GNOME's background
// descriptions. Both are read in one pass over the text, keeping views into it and only what the
// wallpaper needs, so a file of any shape costs time in proportion to its size.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/desktop/scan.h"
#include "platform/desktop/xml_settings.h"

using namespace desktop_scan;

namespace {

void AppendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Text with XML's five entities and numeric character references replaced; anything else that
// starts with '&' is kept as it is.
std::string XmlUnescape(std::string_view s)
{
    static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities{
        {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}}};
    // The longest reference: "&#x10FFFF;" and a few leading zeros.
    constexpr std::size_t kLongestReference = 12;
    std::string out;
    out.reserve(s.size());
    while (!s.empty()) {
        const std::size_t amp = s.find('&');
        out.append(s.substr(0, amp));
        if (amp == std::string_view::npos) {
            break;
        }
        s.remove_prefix(amp);
        bool done = false;
        for (const auto& [name, c] : kEntities) {
            if (s.starts_with(name)) {
                out += c;
                s.remove_prefix(name.size());
                done = true;
                break;
            }
        }
        // Only the next few characters are looked at: a text of many '&' and no ';' stays linear.
        const std::size_t semi = done ? std::string_view::npos : s.substr(0, kLongestReference).find(';');
        if (!done && s.starts_with("&#") && semi != std::string_view::npos) {
            const bool hex = s.size() > 2 && (s[2] == 'x' || s[2] == 'X');
            const std::size_t from = hex ? 3 : 2;
            const std::string_view digits = semi > from ? s.substr(from, semi - from) : std::string_view();
            unsigned code = 0;
            const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
            if (!digits.empty() && ec == std::errc() && end == digits.data() + digits.size() && code > 0 &&
                code < 0x110000) {
                AppendUtf8(out, code);
                s.remove_prefix(semi + 1);
                done = true;
            }
        }
        if (!done) {
            out += '&';
            s.remove_prefix(1);
        }
    }
    return out;
}

// The raw (still escaped) value of attribute 'name' in a tag's text; none when it has none.
std::optional<std::string_view> XmlAttribute(std::string_view tag, std::string_view name)
{
    std::size_t at = 0;
    while ((at = tag.find(name, at)) != std::string_view::npos) {
        const bool start = at > 0 && Blank(tag[at - 1]);
        at += name.size();
        std::string_view rest = tag.substr(at);
        const std::size_t eq = rest.find_first_not_of(" \t\r\n");
        if (!start || eq == std::string_view::npos || rest[eq] != '=') {
            continue;
        }
        rest = Trim(rest.substr(eq + 1));
        if (rest.empty() || (rest.front() != '"' && rest.front() != '\'')) {
            return std::nullopt;
        }
        const std::size_t close = rest.find(rest.front(), 1);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        return rest.substr(1, close - 1);
    }
    return std::nullopt;
}

// The tags of an XML text one after another, comments, CDATA sections and processing
// instructions skipped. Each call moves past what it returns: one pass over the text in all.
class TagReader {
public:
    explicit TagReader(std::string_view xml) : m_xml(xml) {}

    struct Tag {
        std::string_view name;  // "property"; "/property" for a closing tag
        std::string_view text;  // everything between '<' and '>' (without a closing '/')
        bool selfClosing = false;
        std::size_t end = 0;  // the offset just past '>'
    };

    std::optional<Tag> Next()
    {
        while ((m_at = m_xml.find('<', m_at)) != std::string_view::npos) {
            const std::string_view rest = m_xml.substr(m_at);
            if (SkipPast(rest, "<!--", "-->") || SkipPast(rest, "<![CDATA[", "]]>") || SkipPast(rest, "<?", "?>")) {
                continue;
            }
            const std::size_t close = m_xml.find('>', m_at);
            if (close == std::string_view::npos) {
                m_at = m_xml.size();
                return std::nullopt;
            }
            Tag tag;
            tag.text = m_xml.substr(m_at + 1, close - m_at - 1);
            tag.end = close + 1;
            m_at = close + 1;
            if (tag.text.ends_with('/')) {
                tag.text.remove_suffix(1);
                tag.selfClosing = true;
            }
            std::size_t nameEnd = 0;
            while (nameEnd < tag.text.size() && !Blank(tag.text[nameEnd])) {
                ++nameEnd;
            }
            tag.name = tag.text.substr(0, nameEnd);
            return tag;
        }
        m_at = m_xml.size();
        return std::nullopt;
    }

    std::string_view Text() const { return m_xml; }

private:
    bool SkipPast(std::string_view rest, std::string_view open, std::string_view close)
    {
        if (!rest.starts_with(open)) {
            return false;
        }
        const std::size_t end = m_xml.find(close, m_at + open.size());
        m_at = end == std::string_view::npos ? m_xml.size() : end + close.size();
        return true;
    }

    std::string_view m_xml;
    std::size_t m_at = 0;
};

// What one backdrop folder of the xfce4-desktop channel says ("monitorX/" or "monitorX/workspaceN/"),
// as raw attribute values; the first of each name counts, as xfconf itself keeps it.
struct Backdrop {
    std::optional<std::string_view> lastImage;
    std::optional<std::string_view> imagePath;
    std::optional<std::string_view> imageStyle;
    std::array<std::string_view, 3> rgba;
    std::size_t rgbaValues = 0;
    bool rgbaSeen = false;
};

using BackdropKey = std::pair<std::string_view, std::string_view>;  // monitor, workspace ("" for none)
struct BackdropKeyHash {
    std::size_t operator()(const BackdropKey& k) const
    {
        const std::hash<std::string_view> h;
        return h(k.first) * 31 + h(k.second);
    }
};

// Channel files xfconf writes are six levels deep; properties deeper than this are skipped with
// everything inside them.
constexpr std::size_t kDeepestProperty = 32;

}  // namespace

std::optional<FillMode> FillModeOfXfce(int imageStyle)
{
    static constexpr std::array<FillMode, 7> kModes{FillMode::None,      FillMode::Centered, FillMode::Tiled,
                                                    FillMode::Stretched, FillMode::Scaled,   FillMode::Zoom,
                                                    FillMode::Spanned};
    if (imageStyle < 0 || imageStyle >= static_cast<int>(kModes.size())) {
        return std::nullopt;
    }
    return kModes[static_cast<std::size_t>(imageStyle)];
}

std::optional<WallpaperChoice> XfceWallpaper(std::string_view channelXml, std::string_view monitor)
{
    std::optional<std::string_view> singleMode;
    std::optional<std::string_view> singleNumber;
    std::unordered_map<BackdropKey, Backdrop, BackdropKeyHash> backdrops;
    std::vector<std::string_view> monitors;  // under /backdrop/screen0/, in the order they appear
    std::unordered_set<std::string_view> known;
    std::array<std::string_view, kDeepestProperty> open;  // names of the open properties
    std::size_t depth = 0;                                // how many are open, also past the deepest kept
    Backdrop* collecting = nullptr;                       // the open rgba1 whose <value>s count
    std::size_t collectingDepth = 0;

    TagReader reader(channelXml);
    while (const auto tag = reader.Next()) {
        if (tag->name == "/property") {
            if (depth > 0) {
                --depth;
            }
            if (collecting != nullptr && depth < collectingDepth) {
                collecting = nullptr;
            }
            continue;
        }
        if (tag->name == "value") {
            if (collecting != nullptr && depth == collectingDepth && collecting->rgbaValues < 3) {
                collecting->rgba[collecting->rgbaValues++] = XmlAttribute(tag->text, "value").value_or("");
            }
            continue;
        }
        if (tag->name != "property") {
            continue;
        }
        const std::string_view name = XmlAttribute(tag->text, "name").value_or("");
        const auto value = XmlAttribute(tag->text, "value");
        const std::size_t at = depth;  // this property's level: 0 for a top-level one
        if (!tag->selfClosing) {
            if (depth < kDeepestProperty) {
                open[depth] = name;
            }
            ++depth;
        }
        if (at >= kDeepestProperty || at == 0 || open[0] != "backdrop") {
            continue;
        }
        if (at == 1) {
            if (name == "single-workspace-mode" && !singleMode) {
                singleMode = value.value_or("");
            } else if (name == "single-workspace-number" && !singleNumber) {
                singleNumber = value.value_or("");
            }
            continue;
        }
        if (open[1] != "screen0") {
            continue;
        }
        const std::string_view monitorName = at == 2 ? name : open[2];
        if (monitorName.starts_with("monitor") && known.insert(monitorName).second) {
            monitors.push_back(monitorName);
        }
        if (at != 3 && !(at == 4 && open[3].starts_with("workspace"))) {
            continue;
        }
        const bool image = name == "last-image" || name == "image-path";
        if (!image && name != "image-style" && name != "rgba1") {
            continue;
        }
        Backdrop& b = backdrops[{open[2], at == 4 ? open[3] : std::string_view()}];
        if (name == "last-image" && !b.lastImage) {
            b.lastImage = value.value_or("");
        } else if (name == "image-path" && !b.imagePath) {
            b.imagePath = value.value_or("");
        } else if (name == "image-style" && !b.imageStyle) {
            b.imageStyle = value.value_or("");
        } else if (name == "rgba1" && !b.rgbaSeen) {
            b.rgbaSeen = true;
            if (!tag->selfClosing) {
                collecting = &b;  // the map's elements stay where they are as it grows
                collectingDepth = depth;
            }
        }
    }

    int workspace = 0;
    if ((!singleMode || XmlUnescape(*singleMode) == "true") && singleNumber) {
        workspace = static_cast<int>(ParseInt(XmlUnescape(*singleNumber)).value_or(0));
    }
    const std::string workspaceName = "workspace" + std::to_string(workspace);
    // Monitors in the order to try: the named one, the first, then the others as they came.
    std::string named = "monitor";
    named += monitor;
    std::vector<std::string_view> order{named, "monitor0"};
    for (const std::string_view m : monitors) {
        if (m != order[0] && m != order[1]) {
            order.push_back(m);
        }
    }
    if (order[0] == order[1]) {
        order.erase(order.begin() + 1);
    }
    for (const std::string_view m : order) {
        // Xfce 4.12 and later keep the picture per workspace; older ones per monitor.
        for (const std::string_view ws : {std::string_view(workspaceName), std::string_view()}) {
            const auto found = backdrops.find({m, ws});
            if (found == backdrops.end()) {
                continue;
            }
            const Backdrop& b = found->second;
            const std::optional<std::string_view> image = b.lastImage ? b.lastImage : b.imagePath;
            if (!image && !b.imageStyle) {
                continue;
            }
            WallpaperChoice choice;
            const auto styleNumber = b.imageStyle ? ParseInt(XmlUnescape(*b.imageStyle)) : std::nullopt;
            const auto mode = styleNumber ? FillModeOfXfce(static_cast<int>(*styleNumber)) : std::nullopt;
            choice.mode = mode.value_or(FillMode::Zoom);
            if (b.rgbaValues == 3) {
                std::array<int, 3> c{};
                for (std::size_t i = 0; i < 3; ++i) {
                    const double v = std::clamp(ParseDouble(XmlUnescape(b.rgba[i])).value_or(0.0), 0.0, 1.0);
                    c[i] = static_cast<int>(std::lround(v * 255.0));
                }
                choice.color = Pack(c[0], c[1], c[2]);
            }
            if (choice.mode == FillMode::None) {
                return choice;
            }
            const auto path = image ? PathOfFileUri(XmlUnescape(*image)) : std::nullopt;
            if (!path) {
                continue;
            }
            choice.path = *path;
            return choice;
        }
    }
    return std::nullopt;
}

std::string GnomeSlideshowPicture(std::string_view xml, int screenWidth, int screenHeight)
{
    // The text inside the first <name> element at or after 'from'.
    const auto inner = [&](std::string_view name, std::size_t from) -> std::optional<std::string_view> {
        std::string open = "<";
        open += name;
        std::string close = "</";
        close += name;
        std::size_t at = xml.find(open, from);
        while (at != std::string_view::npos) {
            const char next = at + open.size() < xml.size() ? xml[at + open.size()] : '\0';
            if (next == '>' || Blank(next)) {
                break;
            }
            at = xml.find(open, at + 1);
        }
        const std::size_t start = at == std::string_view::npos ? at : xml.find('>', at);
        const std::size_t end = start == std::string_view::npos ? start : xml.find(close, start);
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        return xml.substr(start + 1, end - start - 1);
    };
    // The first <file> of a <static> part, else the first <from> of a <transition>.
    const std::size_t staticAt = xml.find("<static");
    std::optional<std::string_view> file =
        staticAt != std::string_view::npos ? inner("file", staticAt) : std::optional<std::string_view>();
    if (!file) {
        file = inner("from", 0);
    }
    if (!file) {
        return {};
    }
    if (file->find("<size") == std::string_view::npos) {
        return PathOfFileUri(XmlUnescape(Trim(*file))).value_or("");
    }
    // <size width="1920" height="1080">/path/1920x1080.svg</size>, one per size: the sizes are
    // handed to the package rule as names "WxH.N", N the index of the path.
    std::vector<std::string> names;
    std::vector<std::string> paths;
    std::string_view rest = *file;
    constexpr std::string_view kEnd = "</size>";
    for (std::size_t at = rest.find("<size"); at != std::string_view::npos; at = rest.find("<size")) {
        const std::size_t close = rest.find('>', at);
        const std::size_t end = close == std::string_view::npos ? close : rest.find(kEnd, close);
        if (end == std::string_view::npos) {
            break;
        }
        const std::string_view tag = rest.substr(at, close - at);
        const auto w = ParseInt(XmlUnescape(XmlAttribute(tag, "width").value_or("")));
        const auto h = ParseInt(XmlUnescape(XmlAttribute(tag, "height").value_or("")));
        auto path = PathOfFileUri(XmlUnescape(Trim(rest.substr(close + 1, end - close - 1))));
        if (w && h && path) {
            names.push_back(std::to_string(*w) + "x" + std::to_string(*h) + "." + std::to_string(paths.size()));
            paths.push_back(std::move(*path));
        }
        rest.remove_prefix(end + kEnd.size());
    }
    const std::string best = PickPackageImage(names, screenWidth, screenHeight);
    if (best.empty()) {
        return {};
    }
    const std::string_view index = std::string_view(best).substr(best.rfind('.') + 1);
    std::size_t i = 0;
    std::from_chars(index.data(), index.data() + index.size(), i);
    return i < paths.size() ? paths[i] : std::string();
}
