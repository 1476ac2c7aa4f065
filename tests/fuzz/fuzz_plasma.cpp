// Plasma's plasma-org.kde.plasma.desktop-appletsrc, as any user may have it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/desktop/wallpaper.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckChoice(KdeWallpaper(std::string_view(reinterpret_cast<const char*>(data), size)));
    return 0;
}
