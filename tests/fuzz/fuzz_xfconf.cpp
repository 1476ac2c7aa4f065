// Xfce's xfce4-desktop channel file, as any user may have it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/desktop/wallpaper.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string_view monitor : {"HDMI-1", "0", ""}) {
        CheckChoice(XfceWallpaper(text, monitor));
    }
    return 0;
}
