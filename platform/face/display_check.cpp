#include "platform/face/display_check.h"

namespace {

bool Set(const char* value)
{
    return value != nullptr && *value != '\0';
}

// Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal + std::string.
std::string Shown(const char* name, const char* value)
{
    std::string out(name);
    if (Set(value)) {
        out += '=';
        out += value;
    } else {
        out += " unset";
    }
    return out;
}

}  // namespace

std::string MissingDisplay(const char* platform, const char* display, const char* wayland)
{
    if (Set(platform)) {
        // The first of a list such as "wayland;xcb", without its options ("xcb:option").
        const std::string first = std::string(platform).substr(0, std::string(platform).find_first_of(";:"));
        // Wayland finds its compositor at "wayland-0" even without WAYLAND_DISPLAY; other
        // platforms need no display.
        if (first != "xcb") {
            return {};
        }
    }
    if (Set(display) || Set(wayland)) {
        return {};
    }
    return "pomarel: no display to open the window on: neither DISPLAY nor WAYLAND_DISPLAY is set";
}

std::string UnreachableDisplay(const char* display, const char* wayland)
{
    if (!Set(display) && !Set(wayland)) {
        return "pomarel: no display to open the window on: neither DISPLAY nor WAYLAND_DISPLAY is set";
    }
    std::string line = "pomarel: cannot open the window: no display answers (";
    line += Shown("DISPLAY", display);
    line += ", ";
    line += Shown("WAYLAND_DISPLAY", wayland);
    line += ')';
    return line;
}
