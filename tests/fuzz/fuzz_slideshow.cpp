// A GNOME background description (the XML file picture-uri may name); the first two bytes give
// the screen's size.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/desktop/wallpaper.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const int width = data[0] * 16;
    const int height = data[1] * 16;
    const std::string path =
        GnomeSlideshowPicture(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2), width, height);
    Check(path.empty() || path.front() == '/', "a background description gave a path that is not absolute");
    Check(path.find('\0') == std::string::npos, "a background description gave a path with a NUL");
    return 0;
}
