// Whether the window has a display to open on, from the environment alone: without one the program
// says so in one line instead of letting the toolkit abort.
#include <gtest/gtest.h>

#include "platform/face/display_check.h"

TEST(DisplayCheck, OnlyAnXcbStartWithNeitherVariableSetIsRefused)
{
    const struct {
        const char* platform;
        const char* display;
        const char* wayland;
        bool refused;
    } cases[] = {
        {nullptr, nullptr, nullptr, true},
        {nullptr, "", "", true},  // set but empty is no display either
        {"xcb", nullptr, nullptr, true},
        {"xcb:nomitshmext", "", nullptr, true},  // options after the name
        {nullptr, ":0", nullptr, false},
        {nullptr, nullptr, "wayland-1", false},
        {"xcb", nullptr, "wayland-1", false},  // left to the toolkit, which says why it fails
        {"wayland", nullptr, nullptr, false},  // Wayland looks for "wayland-0" on its own
        {"wayland;xcb", nullptr, nullptr, false},
        {"offscreen", nullptr, nullptr, false},  // needs no display
        {"", nullptr, nullptr, true},            // empty: the toolkit's default, xcb
    };
    for (const auto& c : cases) {
        const std::string line = MissingDisplay(c.platform, c.display, c.wayland);
        const std::string what = std::string("QT_QPA_PLATFORM=") + (c.platform ? c.platform : "(unset)") +
                                 " DISPLAY=" + (c.display ? c.display : "(unset)") +
                                 " WAYLAND_DISPLAY=" + (c.wayland ? c.wayland : "(unset)");
        EXPECT_EQ(!line.empty(), c.refused) << what << ": " << line;
        if (c.refused) {
            EXPECT_EQ(line.find('\n'), std::string::npos) << what << ": one line";
            EXPECT_NE(line.find("DISPLAY"), std::string::npos) << what << ": names what is missing: " << line;
        }
    }
    EXPECT_NE(UnreachableDisplay(":7", nullptr).find("DISPLAY=:7"), std::string::npos)
        << "the display that does not answer is named";
}
