// The single values desktops keep: GSettings' picture URI, options and colour, Plasma's colour,
// XDG_CURRENT_DESKTOP and a wallpaper package's file names, one per line of the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop/wallpaper.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> lines;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty() && lines.size() < 64) {
        const std::size_t eol = text.find('\n');
        lines.emplace_back(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    }
    lines.resize(std::max<std::size_t>(lines.size(), 5));
    if (const auto path = PathOfFileUri(lines[0])) {
        Check(!path->empty() && path->front() == '/', "a file URI gave a path that is not absolute");
        Check(path->find('\0') == std::string::npos, "a file URI gave a path with a NUL");
    }
    if (const auto color = ParseColor(lines[1])) {
        Check((*color >> 24) == 0xff, "a colour came without its opaque alpha");
    }
    GnomeBackground bg;
    bg.uri = lines[0];
    bg.uriDark = lines[2];
    bg.preferDark = !lines[2].empty() && (lines[2].size() & 1) != 0;
    bg.options = lines[3];
    bg.primaryColor = lines[1];
    CheckChoice(GnomeWallpaper(bg));
    const std::vector<SourceStep> order = WallpaperSourceOrder(lines[4]);
    Check(order.size() == 6, "the order of wallpaper sources lost or repeated a source");
    const std::vector<std::string> names(lines.begin() + 4, lines.end());
    const std::string best = PickPackageImage(names, 1920, 1080);
    Check(best.empty() || std::find(names.begin(), names.end(), best) != names.end(),
          "a package picture was picked that is not among the names");
    return 0;
}
