// Where each desktop keeps its wallpaper: the session's order of sources, file URIs and colours,
// GSettings values, Plasma's applet configuration and wallpaper packages.
#include "platform/desktop/wallpaper_settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "platform/desktop/scan.h"

using namespace desktop_scan;

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
    // A NUL would end the name where the file is opened: another file than the one named.
    if (uri.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
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
        if (text.size() != 3 && text.size() != 6 && text.size() != 12) {
            return std::nullopt;
        }
        std::array<int, 12> d{};
        for (std::size_t i = 0; i < text.size(); ++i) {
            d[i] = HexDigit(text[i]);
            if (d[i] < 0) {
                return std::nullopt;
            }
        }
        switch (text.size()) {
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

namespace {

struct ContainmentGroup {
    std::string_view id;
    bool image = false;  // the picture plugin's settings rather than the containment's own
};

// "[Containments][7]" -> {"7", false}; "[Containments][7][Wallpaper][org.kde.image][General]" ->
// {"7", true}; any other group (applets, panels' inner groups, other sections): none.
std::optional<ContainmentGroup> ContainmentGroupOf(std::string_view line)
{
    std::array<std::string_view, 5> parts;
    std::size_t count = 0;
    while (line.starts_with('[')) {
        const std::size_t close = line.find(']');
        if (close == std::string_view::npos) {
            break;
        }
        if (count == parts.size()) {
            return std::nullopt;  // deeper: an applet's or a plugin's inner group
        }
        parts[count++] = line.substr(1, close - 1);
        line.remove_prefix(close + 1);
    }
    if (count < 2 || parts[0] != "Containments") {
        return std::nullopt;
    }
    if (count == 2) {
        return ContainmentGroup{parts[1], false};
    }
    if (count == 5 && parts[2] == "Wallpaper" && parts[3] == "org.kde.image" && parts[4] == "General") {
        return ContainmentGroup{parts[1], true};
    }
    return std::nullopt;
}

// Calls onGroup(group) at each group header (none for groups that are not a containment's) and
// onEntry(key, value) at each entry line, keys without their "[$e]" or "[de]" suffix.
template <class OnGroup, class OnEntry> void ForEachLine(std::string_view text, OnGroup onGroup, OnEntry onEntry)
{
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        const std::string_view line = Trim(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (line.starts_with('[')) {
            onGroup(ContainmentGroupOf(line));
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || line.starts_with('#')) {
            continue;
        }
        std::string_view key = Trim(line.substr(0, eq));
        key = key.substr(0, key.find('['));
        onEntry(key, Trim(line.substr(eq + 1)));
    }
}

}  // namespace

std::optional<WallpaperChoice> KdeWallpaper(std::string_view appletsrc)
{
    // What one containment says, as views into the text.
    struct Containment {
        std::string_view plugin;
        std::string_view wallpaperPlugin;
        std::optional<long long> lastScreen;
        std::string_view image;
        std::string_view fillMode;
        std::string_view color;
    };
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    // Two passes, so that only containments with a picture are kept (a file can hold hundreds of
    // thousands of others): first their ids, then what they say, in the order they first appear.
    std::unordered_map<std::string_view, std::size_t> withImage;
    std::optional<ContainmentGroup> group;
    ForEachLine(
        appletsrc, [&](std::optional<ContainmentGroup> g) { group = g; },
        [&](std::string_view key, std::string_view value) {
            if (group && group->image && key == "Image" && !value.empty()) {
                withImage.emplace(group->id, kNone);
            }
        });
    std::vector<Containment> all;
    std::size_t current = kNone;  // the containment of the group being read
    bool inImageGroup = false;
    ForEachLine(
        appletsrc,
        [&](std::optional<ContainmentGroup> g) {
            current = kNone;
            const auto found = g ? withImage.find(g->id) : withImage.end();
            if (found == withImage.end()) {
                return;
            }
            if (found->second == kNone) {
                found->second = all.size();
                all.emplace_back();
            }
            current = found->second;
            inImageGroup = g->image;
        },
        [&](std::string_view key, std::string_view value) {
            if (current == kNone) {
                return;
            }
            Containment& c = all[current];
            if (inImageGroup) {
                if (key == "Image") {
                    c.image = value;
                } else if (key == "FillMode") {
                    c.fillMode = value;
                } else if (key == "Color") {
                    c.color = value;
                }
            } else if (key == "plugin") {
                c.plugin = value;
            } else if (key == "wallpaperplugin") {
                c.wallpaperPlugin = value;
            } else if (key == "lastScreen") {
                c.lastScreen = ParseInt(value);
            }
        });
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
        // No picture is a million pixels wide; larger numbers would overflow the area.
        constexpr long long kWidest = 1'000'000;
        if (!w || !h || *w <= 0 || *h <= 0 || *w > kWidest || *h > kWidest) {
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
