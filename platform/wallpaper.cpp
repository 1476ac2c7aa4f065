// Where each desktop keeps its wallpaper: the session's order of sources and the parsing of
// their settings (GSettings values, Plasma's applet configuration, the xfconf channel file).
#include "platform/wallpaper.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::optional<long long> ParseInt(std::string_view s)
{
    s = Trim(s);
    long long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) {
        return std::nullopt;
    }
    return v;
}

std::optional<double> ParseDouble(std::string_view s)
{
    s = Trim(s);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) {
        return std::nullopt;
    }
    return v;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::uint32_t Pack(int r, int g, int b)
{
    return 0xff000000u | (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}

}  // namespace

std::vector<SourceStep> WallpaperSourceOrder(std::string_view currentDesktop)
{
    struct Name {
        std::string_view name;
        WallpaperSource source;
    };
    static constexpr std::array<Name, 11> kSessions{{
        {"GNOME", WallpaperSource::Gnome},
        {"GNOME-Classic", WallpaperSource::Gnome},
        {"GNOME-Flashback", WallpaperSource::Gnome},
        {"Unity", WallpaperSource::Gnome},
        {"Budgie", WallpaperSource::Gnome},
        {"Pantheon", WallpaperSource::Gnome},
        {"X-Cinnamon", WallpaperSource::Cinnamon},
        {"Cinnamon", WallpaperSource::Cinnamon},
        {"MATE", WallpaperSource::Mate},
        {"KDE", WallpaperSource::Kde},
        {"XFCE", WallpaperSource::Xfce},
    }};
    std::optional<WallpaperSource> own;
    while (!own && !currentDesktop.empty()) {
        const std::size_t cut = currentDesktop.find(':');
        const std::string_view token = Trim(currentDesktop.substr(0, cut));
        currentDesktop = cut == std::string_view::npos ? std::string_view() : currentDesktop.substr(cut + 1);
        for (const Name& n : kSessions) {
            if (SameText(token, n.name)) {
                own = n.source;
                break;
            }
        }
    }
    std::vector<SourceStep> order;
    if (own) {
        order.push_back({*own, true});
    }
    for (WallpaperSource s : {WallpaperSource::RootPicture, WallpaperSource::Gnome, WallpaperSource::Kde,
                              WallpaperSource::Xfce, WallpaperSource::Cinnamon, WallpaperSource::Mate}) {
        if (!own || s != *own) {
            order.push_back({s, false});
        }
    }
    return order;
}

std::optional<std::string> PathOfFileUri(std::string_view uri)
{
    uri = Trim(uri);
    if (uri.starts_with('/')) {
        return std::string(uri);
    }
    constexpr std::string_view kScheme = "file://";
    if (uri.size() < kScheme.size() || !SameText(uri.substr(0, kScheme.size()), kScheme)) {
        return std::nullopt;
    }
    uri.remove_prefix(kScheme.size());
    if (uri.starts_with("localhost/")) {
        uri.remove_prefix(9);
    }
    if (!uri.starts_with('/')) {
        return std::nullopt;  // another host's file
    }
    std::string path;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            path += uri[i];
            continue;
        }
        const int hi = i + 2 < uri.size() ? HexDigit(uri[i + 1]) : -1;
        const int lo = i + 2 < uri.size() ? HexDigit(uri[i + 2]) : -1;
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) {
            return std::nullopt;
        }
        path += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return path;
}

std::optional<std::uint32_t> ParseColor(std::string_view text)
{
    text = Trim(text);
    if (text.starts_with('#')) {
        text.remove_prefix(1);
        std::vector<int> d;
        for (char c : text) {
            d.push_back(HexDigit(c));
        }
        if (std::find(d.begin(), d.end(), -1) != d.end()) {
            return std::nullopt;
        }
        switch (d.size()) {
        case 3: return Pack(d[0] * 17, d[1] * 17, d[2] * 17);
        case 6: return Pack(d[0] * 16 + d[1], d[2] * 16 + d[3], d[4] * 16 + d[5]);
        case 12: return Pack(d[0] * 16 + d[1], d[4] * 16 + d[5], d[8] * 16 + d[9]);
        default: return std::nullopt;
        }
    }
    std::array<int, 3> rgb{};
    for (int i = 0; i < 3; ++i) {
        const std::size_t cut = text.find(',');
        if (cut == std::string_view::npos && i < 2) {
            return std::nullopt;
        }
        const auto v = ParseInt(text.substr(0, cut));
        if (!v || *v < 0 || *v > 255) {
            return std::nullopt;
        }
        rgb[static_cast<std::size_t>(i)] = static_cast<int>(*v);
        text = cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
    }
    return Pack(rgb[0], rgb[1], rgb[2]);
}

std::optional<FillMode> FillModeOfGnomeOption(std::string_view option)
{
    static constexpr std::array<std::pair<std::string_view, FillMode>, 7> kOptions{{
        {"none", FillMode::None},
        {"wallpaper", FillMode::Tiled},
        {"centered", FillMode::Centered},
        {"scaled", FillMode::Scaled},
        {"stretched", FillMode::Stretched},
        {"zoom", FillMode::Zoom},
        {"spanned", FillMode::Spanned},
    }};
    for (const auto& [name, mode] : kOptions) {
        if (name == Trim(option)) {
            return mode;
        }
    }
    return std::nullopt;
}

std::optional<WallpaperChoice> GnomeWallpaper(const GnomeBackground& settings)
{
    WallpaperChoice choice;
    choice.color = ParseColor(settings.primaryColor).value_or(0xff000000u);
    choice.mode = FillModeOfGnomeOption(settings.options).value_or(FillMode::Zoom);
    const std::string& uri = settings.preferDark && !settings.uriDark.empty() ? settings.uriDark : settings.uri;
    if (choice.mode == FillMode::None || Trim(uri).empty()) {
        choice.mode = FillMode::None;
        return choice;
    }
    const auto path = PathOfFileUri(uri);
    if (!path) {
        return std::nullopt;
    }
    choice.path = *path;
    return choice;
}

std::optional<FillMode> FillModeOfKde(int fillMode)
{
    static constexpr std::array<FillMode, 7> kModes{
        FillMode::Stretched,         FillMode::Scaled,  FillMode::Zoom, FillMode::Tiled, FillMode::TiledVertically,
        FillMode::TiledHorizontally, FillMode::Centered};
    if (fillMode < 0 || fillMode >= static_cast<int>(kModes.size())) {
        return std::nullopt;
    }
    return kModes[static_cast<std::size_t>(fillMode)];
}

std::optional<WallpaperChoice> KdeWallpaper(std::string_view appletsrc)
{
    struct Containment {
        std::string id;
        std::string plugin;
        std::string wallpaperPlugin;
        std::optional<long long> lastScreen;
        std::string image;
        std::string fillMode;
        std::string color;
    };
    std::vector<Containment> all;
    Containment* current = nullptr;
    bool inImageGroup = false;
    while (!appletsrc.empty()) {
        const std::size_t eol = appletsrc.find('\n');
        const std::string_view line = Trim(appletsrc.substr(0, eol));
        appletsrc = eol == std::string_view::npos ? std::string_view() : appletsrc.substr(eol + 1);
        if (line.starts_with('[')) {
            // [Containments][N] or [Containments][N][Wallpaper][org.kde.image][General]
            std::vector<std::string_view> parts;
            std::string_view rest = line;
            while (rest.starts_with('[')) {
                const std::size_t close = rest.find(']');
                if (close == std::string_view::npos) {
                    break;
                }
                parts.push_back(rest.substr(1, close - 1));
                rest.remove_prefix(close + 1);
            }
            current = nullptr;
            inImageGroup = false;
            if (parts.size() < 2 || parts[0] != "Containments") {
                continue;
            }
            const bool main = parts.size() == 2;
            const bool image =
                parts.size() == 5 && parts[2] == "Wallpaper" && parts[3] == "org.kde.image" && parts[4] == "General";
            if (!main && !image) {
                continue;
            }
            auto it = std::find_if(all.begin(), all.end(), [&](const Containment& c) { return c.id == parts[1]; });
            if (it == all.end()) {
                all.push_back({std::string(parts[1]), {}, {}, {}, {}, {}, {}});
                it = all.end() - 1;
            }
            current = &*it;
            inImageGroup = image;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (current == nullptr || eq == std::string_view::npos || line.starts_with('#')) {
            continue;
        }
        std::string_view key = Trim(line.substr(0, eq));
        key = key.substr(0, key.find('['));  // Key[$e], Key[de]
        const std::string value(Trim(line.substr(eq + 1)));
        if (inImageGroup) {
            if (key == "Image") {
                current->image = value;
            } else if (key == "FillMode") {
                current->fillMode = value;
            } else if (key == "Color") {
                current->color = value;
            }
        } else if (key == "plugin") {
            current->plugin = value;
        } else if (key == "wallpaperplugin") {
            current->wallpaperPlugin = value;
        } else if (key == "lastScreen") {
            current->lastScreen = ParseInt(value);
        }
    }
    // The desktop of the first screen, else any desktop with a picture.
    std::stable_partition(all.begin(), all.end(), [](const Containment& c) { return c.lastScreen == 0; });
    for (const Containment& c : all) {
        const bool picturePlugin = c.wallpaperPlugin.empty() || c.wallpaperPlugin == "org.kde.image";
        if (c.image.empty() || !picturePlugin || c.plugin == "org.kde.panel") {
            continue;
        }
        const auto path = PathOfFileUri(c.image);
        if (!path) {
            continue;
        }
        WallpaperChoice choice;
        choice.path = *path;
        const auto number = ParseInt(c.fillMode);
        const auto mode = number ? FillModeOfKde(static_cast<int>(*number)) : std::nullopt;
        choice.mode = mode.value_or(FillMode::Zoom);
        choice.color = ParseColor(c.color).value_or(0xff000000u);
        return choice;
    }
    return std::nullopt;
}

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

namespace {

std::string XmlUnescape(std::string_view s)
{
    static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities{
        {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}}};
    std::string out;
    while (!s.empty()) {
        if (s.front() != '&') {
            out += s.front();
            s.remove_prefix(1);
            continue;
        }
        bool done = false;
        for (const auto& [name, c] : kEntities) {
            if (s.starts_with(name)) {
                out += c;
                s.remove_prefix(name.size());
                done = true;
                break;
            }
        }
        const std::size_t semi = s.find(';');
        if (!done && s.starts_with("&#") && semi != std::string_view::npos && semi < 12) {
            const bool hex = s.size() > 2 && (s[2] == 'x' || s[2] == 'X');
            const std::string_view digits = s.substr(hex ? 3 : 2, semi - (hex ? 3 : 2));
            unsigned code = 0;
            const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
            if (ec == std::errc() && end == digits.data() + digits.size() && code > 0 && code < 0x110000) {
                // UTF-8 encoding of the code point
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

std::optional<std::string> XmlAttribute(std::string_view tag, std::string_view name)
{
    std::size_t at = 0;
    while ((at = tag.find(name, at)) != std::string_view::npos) {
        const bool start = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n');
        std::string_view rest = tag.substr(at + name.size());
        at += name.size();
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
        return XmlUnescape(rest.substr(1, close - 1));
    }
    return std::nullopt;
}

struct XfconfProperty {
    std::string path;  // "/backdrop/screen0/monitor0/workspace0/last-image"
    std::string value;
    std::vector<std::string> items;  // the values of an array property
};

// The properties of an xfconf channel file, in document order.
std::vector<XfconfProperty> ParseXfconf(std::string_view xml)
{
    std::vector<XfconfProperty> props;
    std::vector<std::string> stack;
    std::vector<std::size_t> open;  // index into props of each open property
    std::size_t at = 0;
    while ((at = xml.find('<', at)) != std::string_view::npos) {
        if (xml.substr(at).starts_with("<!--")) {
            const std::size_t end = xml.find("-->", at);
            at = end == std::string_view::npos ? xml.size() : end + 3;
            continue;
        }
        const std::size_t end = xml.find('>', at);
        if (end == std::string_view::npos) {
            break;
        }
        std::string_view tag = xml.substr(at + 1, end - at - 1);
        at = end + 1;
        const bool closing = tag.starts_with('/');
        const bool selfClosing = tag.ends_with('/');
        if (closing) {
            if (Trim(tag.substr(1)) == "property" && !stack.empty()) {
                stack.pop_back();
                open.pop_back();
            }
            continue;
        }
        if (selfClosing) {
            tag.remove_suffix(1);
        }
        const std::string_view name = tag.substr(0, tag.find_first_of(" \t\r\n"));
        if (name == "value" && !open.empty()) {
            props[open.back()].items.push_back(XmlAttribute(tag, "value").value_or(""));
            continue;
        }
        if (name != "property") {
            continue;
        }
        const std::string propName = XmlAttribute(tag, "name").value_or("");
        std::string path;
        for (const std::string& s : stack) {
            path += "/" + s;
        }
        path += "/" + propName;
        props.push_back({path, XmlAttribute(tag, "value").value_or(""), {}});
        if (!selfClosing) {
            stack.push_back(propName);
            open.push_back(props.size() - 1);
        }
    }
    return props;
}

}  // namespace

std::optional<WallpaperChoice> XfceWallpaper(std::string_view channelXml, std::string_view monitor)
{
    const std::vector<XfconfProperty> props = ParseXfconf(channelXml);
    const auto find = [&](std::string_view path) -> const XfconfProperty* {
        for (const XfconfProperty& p : props) {
            if (p.path == path) {
                return &p;
            }
        }
        return nullptr;
    };
    int workspace = 0;
    const XfconfProperty* single = find("/backdrop/single-workspace-mode");
    const XfconfProperty* number = find("/backdrop/single-workspace-number");
    if ((single == nullptr || single->value == "true") && number != nullptr) {
        workspace = static_cast<int>(ParseInt(number->value).value_or(0));
    }
    // Monitors in the order to try: the named one, the first, then the others as they come.
    constexpr std::string_view kScreen = "/backdrop/screen0/";
    std::vector<std::string> monitors{"monitor" + std::string(monitor), "monitor0"};
    for (const XfconfProperty& p : props) {
        if (p.path.starts_with(kScreen)) {
            const std::string_view rest = std::string_view(p.path).substr(kScreen.size());
            const std::string name(rest.substr(0, rest.find('/')));
            if (name.starts_with("monitor") && std::find(monitors.begin(), monitors.end(), name) == monitors.end()) {
                monitors.push_back(name);
            }
        }
    }
    for (const std::string& m : monitors) {
        const std::string base = std::string(kScreen) + m + "/";
        const std::string ws = base + "workspace" + std::to_string(workspace) + "/";
        // Xfce 4.12 and later keep the picture per workspace; older ones per monitor.
        for (const std::string& dir : {ws, base}) {
            const XfconfProperty* image = find(dir + "last-image");
            if (image == nullptr) {
                image = find(dir + "image-path");
            }
            const XfconfProperty* style = find(dir + "image-style");
            if (image == nullptr && style == nullptr) {
                continue;
            }
            WallpaperChoice choice;
            const auto styleNumber = style != nullptr ? ParseInt(style->value) : std::nullopt;
            const auto mode = styleNumber ? FillModeOfXfce(static_cast<int>(*styleNumber)) : std::nullopt;
            choice.mode = mode.value_or(FillMode::Zoom);
            if (const XfconfProperty* rgba = find(dir + "rgba1"); rgba != nullptr && rgba->items.size() >= 3) {
                std::array<int, 3> c{};
                for (std::size_t i = 0; i < 3; ++i) {
                    const double v = std::clamp(ParseDouble(rgba->items[i]).value_or(0.0), 0.0, 1.0);
                    c[i] = static_cast<int>(std::lround(v * 255.0));
                }
                choice.color = Pack(c[0], c[1], c[2]);
            }
            if (choice.mode == FillMode::None) {
                return choice;
            }
            const auto path = image != nullptr ? PathOfFileUri(image->value) : std::nullopt;
            if (!path) {
                continue;
            }
            choice.path = *path;
            return choice;
        }
    }
    return std::nullopt;
}

std::string PickPackageImage(const std::vector<std::string>& names, int screenWidth, int screenHeight)
{
    std::string best;
    long long bestArea = 0;
    bool bestCovers = false;
    for (const std::string& name : names) {
        const std::size_t x = name.find('x');
        const std::size_t dot = name.rfind('.');
        if (x == std::string::npos || dot == std::string::npos || dot < x) {
            continue;
        }
        const auto w = ParseInt(std::string_view(name).substr(0, x));
        const auto h = ParseInt(std::string_view(name).substr(x + 1, dot - x - 1));
        if (!w || !h || *w <= 0 || *h <= 0) {
            continue;
        }
        const bool covers = *w >= screenWidth && *h >= screenHeight;
        const long long area = *w * *h;
        const bool better = best.empty() || (covers && !bestCovers) ||
                            (covers == bestCovers && (covers ? area < bestArea : area > bestArea));
        if (better) {
            best = name;
            bestArea = area;
            bestCovers = covers;
        }
    }
    return best;
}

std::string GnomeSlideshowPicture(std::string_view xml, int screenWidth, int screenHeight)
{
    // The first <file> of a <static> part, else the first <from> of a <transition>.
    const auto inner = [&](std::string_view name, std::size_t from) -> std::optional<std::string_view> {
        const std::string open = "<" + std::string(name);
        std::size_t at = xml.find(open, from);
        while (at != std::string_view::npos) {
            const char next = at + open.size() < xml.size() ? xml[at + open.size()] : '\0';
            if (next == '>' || next == ' ' || next == '\t' || next == '\n' || next == '\r') {
                break;
            }
            at = xml.find(open, at + 1);
        }
        const std::size_t start = at == std::string_view::npos ? at : xml.find('>', at);
        const std::size_t end = start == std::string_view::npos ? start : xml.find("</" + std::string(name), start);
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        return xml.substr(start + 1, end - start - 1);
    };
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
    // <size width="1920" height="1080">/path/1920x1080.svg</size>, one per size
    std::vector<std::string> names;
    std::vector<std::string> paths;
    std::string_view rest = *file;
    for (std::size_t at = rest.find("<size"); at != std::string_view::npos; at = rest.find("<size")) {
        const std::size_t close = rest.find('>', at);
        const std::size_t end = close == std::string_view::npos ? close : rest.find("</size>", close);
        if (end == std::string_view::npos) {
            break;
        }
        const std::string_view tag = rest.substr(at, close - at);
        const auto w = ParseInt(XmlAttribute(tag, "width").value_or(""));
        const auto h = ParseInt(XmlAttribute(tag, "height").value_or(""));
        const auto path = PathOfFileUri(XmlUnescape(Trim(rest.substr(close + 1, end - close - 1))));
        if (w && h && path) {
            names.push_back(std::to_string(*w) + "x" + std::to_string(*h) + "." + std::to_string(paths.size()));
            paths.push_back(*path);
        }
        rest.remove_prefix(end + 7);
    }
    const std::string best = PickPackageImage(names, screenWidth, screenHeight);
    if (best.empty()) {
        return {};
    }
    return paths[static_cast<std::size_t>(std::stoul(best.substr(best.rfind('.') + 1)))];
}
