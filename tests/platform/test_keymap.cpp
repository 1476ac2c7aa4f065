// Reading the keyboard layout: xkb names, the X server's keymap and group, the Wayland compositor's
// keymap, and the fallbacks when none can be read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/keyboard/keymap.h"
#include "platform/keyboard/keymap_sources.h"
#include "tests/support/XkbKeys.h"

extern char** environ;

// Failures show the layout's name and its characters, row by row, plain/shift/altgr in hex.
void PrintTo(const KeyboardLayout& k, std::ostream* os)
{
    *os << '"' << k.name << '"' << std::hex;
    for (const auto& row : k.chars) {
        *os << "\n ";
        for (const auto& cell : row) {
            *os << ' ' << static_cast<unsigned>(cell[0]) << '/' << static_cast<unsigned>(cell[1]) << '/'
                << static_cast<unsigned>(cell[2]);
        }
    }
}

namespace {

struct LayoutCase {
    const char* layout;
    const char* variant;
    const char* name;
};
const LayoutCase kLayouts[] = {
    {"us", "", "us"}, {"fr", "", "fr"}, {"de", "", "de"}, {"es", "", "es"}, {"us", "dvorak", "us(dvorak)"},
};

// A child process ended (SIGTERM, then waited for) when the test leaves.
struct Child {
    pid_t pid = -1;
    explicit Child(std::vector<std::string> argv)
    {
        std::vector<char*> args;
        for (auto& a : argv) {
            args.push_back(a.data());
        }
        args.push_back(nullptr);
        // Quiet: the servers' logs would drown the test's output.
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid, args[0], &quiet, nullptr, args.data(), environ) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&quiet);
    }
    ~Child()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
};

bool OnPath(const std::string& program)
{
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Tries 'read' every 100 ms for up to five seconds while a server starts.
template <typename F> bool WithRetries(F read)
{
    for (int i = 0; i < 50; ++i) {
        if (read()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// The active group's table alone, without the groups one could switch to.
KeyboardLayout ActiveGroup(KeyboardLayout layout)
{
    layout.otherGroups.clear();
    return layout;
}

}  // namespace

TEST(Keymap, EveryCellAndLevelIsWhatTypingThatKeyGives)
{
    for (const LayoutCase& lc : kLayouts) {
        const KeyboardLayout k = KeyboardLayoutFromNames("evdev", "pc105", lc.layout, lc.variant, "");
        EXPECT_EQ(k.name, lc.name);
        for (int r = 0; r < kLayoutRows; ++r) {
            for (int c = 0; c < kLayoutCols; ++c) {
                const char* key = XkbKeyName(r, c);
                SCOPED_TRACE(std::string(lc.name) + " " + std::to_string(r) + "," + std::to_string(c));
                if (key == nullptr) {
                    EXPECT_EQ(k.chars[r][c], (std::array<char32_t, 3>{})) << "a key that types nothing";
                    continue;
                }
                EXPECT_EQ(k.At(r, c, KeyLevel::Plain), TypedCharacter(lc.layout, lc.variant, {}, key));
                EXPECT_EQ(k.At(r, c, KeyLevel::Shift), TypedCharacter(lc.layout, lc.variant, {"LFSH"}, key));
                // AltGr on a key without a third level types its plain or shifted character again.
                const char32_t altGr = TypedCharacter(lc.layout, lc.variant, {"RALT"}, key);
                if (k.At(r, c, KeyLevel::AltGr) != 0) {
                    EXPECT_EQ(k.At(r, c, KeyLevel::AltGr), altGr);
                } else {
                    EXPECT_TRUE(altGr == 0 || altGr == k.At(r, c, KeyLevel::Plain) ||
                                altGr == k.At(r, c, KeyLevel::Shift))
                        << "AltGr types U+" << std::hex << static_cast<unsigned>(altGr);
                }
            }
        }
    }
}

TEST(Keymap, KnownKeysOfEachLayout)
{
    struct Case {
        const char* layout;
        const char* variant;
        int row, col;
        char32_t plain, shift, altGr;
    };
    const Case cases[] = {
        {"us", "", 0, 1, U'1', U'!', 0},        {"fr", "", 0, 1, U'&', U'1', 0xB9},
        {"fr", "", 1, 1, U'a', U'A', 0xE6},     {"fr", "", 0, 7, 0xE8, U'7', U'`'},
        {"de", "", 1, 6, U'z', U'Z', 0x2190},   {"de", "", 0, 12, 0, 0, 0},  // dead accents only
        {"de", "", 0, 11, 0xDF, U'?', U'\\'},   {"es", "", 2, 10, 0xF1, 0xD1, 0},
        {"es", "", 1, 11, 0, 0, U'['},          {"us", "dvorak", 1, 1, U'\'', U'"', 0},
        {"us", "dvorak", 2, 10, U's', U'S', 0},
    };
    for (const Case& c : cases) {
        const KeyboardLayout k = KeyboardLayoutFromNames("evdev", "pc105", c.layout, c.variant, "");
        EXPECT_EQ(k.chars[c.row][c.col], (std::array<char32_t, 3>{c.plain, c.shift, c.altGr}))
            << c.layout << "(" << c.variant << ") " << c.row << "," << c.col;
    }
}

TEST(Keymap, UsQwertyWhereNothingElseCanBeRead)
{
    const KeyboardLayout us = UsKeyboardLayout();
    EXPECT_EQ(KeyboardLayoutFromNames("evdev", "pc105", "us", "", ""), us) << "the built-in table is xkb's us";
    EXPECT_EQ(KeyboardLayoutFromNames("evdev", "pc105", "no-such-layout", "", ""), us);
    KeyboardLayout out = us;
    EXPECT_FALSE(KeyboardLayoutFromX11(":2299", out));
    EXPECT_FALSE(KeyboardLayoutFromWayland("pomarel-no-such-compositor", out));
    EXPECT_EQ(out, us) << "a failed read leaves the layout alone";

    // No xkb data at all.
    const char* root = std::getenv("XKB_CONFIG_ROOT");
    const std::string savedRoot = root != nullptr ? root : "";
    setenv("XKB_CONFIG_ROOT", "/nonexistent", 1);
    EXPECT_EQ(KeyboardLayoutFromNames("evdev", "pc105", "fr", "", ""), us);
    EXPECT_EQ(ActiveKeyboardLayout(), us);
    if (root != nullptr) {
        setenv("XKB_CONFIG_ROOT", savedRoot.c_str(), 1);
    } else {
        unsetenv("XKB_CONFIG_ROOT");
    }
}

TEST(Keymap, LayoutNamesFromSymbols)
{
    struct Case {
        const char* symbols;
        int group;
        const char* name;
    };
    const Case cases[] = {
        {"pc+fr+inet(evdev)", 0, "fr"},
        {"pc+us(dvorak)+inet(evdev)", 0, "us(dvorak)"},
        {"pc+us+de:2+inet(evdev)+group(alt_shift_toggle)", 1, "de"},
        {"pc+us+de:2+inet(evdev)", 0, "us"},
        {"pc+fr+inet(evdev)", 1, ""},
        {"", 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LayoutNameFromSymbols(c.symbols, c.group), c.name) << c.symbols << " group " << c.group;
    }
}

TEST(Keymap, ShortNamesFromTheLayoutRegistry)
{
    std::ifstream in("/usr/share/X11/xkb/rules/evdev.xml");
    if (!in) {
        GTEST_SKIP() << "needs xkb-data";
    }
    const std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const auto& [description, name] : std::vector<std::pair<std::string, std::string>>{
             {"Spanish", "es"},
             {"English (US)", "us"},
             {"English (Dvorak)", "us(dvorak)"},
             {"French", "fr"},
             {"German", "de"},
             {"No such layout", ""},
         }) {
        EXPECT_EQ(LayoutNameFromDescription(xml, description), name) << description;
    }
}

TEST(Keymap, ActiveLayoutOffTheDesktopFollowsTheXkbEnvironmentAndNoticesASwitch)
{
    // Without a desktop platform (the offscreen one of these tests) the XKB_DEFAULT_* variables speak.
    const char* saved = std::getenv("XKB_DEFAULT_LAYOUT");
    const std::string before = saved != nullptr ? saved : "";
    unsetenv("XKB_DEFAULT_LAYOUT");
    KeyboardLayout shown = ActiveKeyboardLayout();
    EXPECT_EQ(shown, UsKeyboardLayout());
    EXPECT_FALSE(RefreshKeyboardLayout(shown));
    setenv("XKB_DEFAULT_LAYOUT", "fr", 1);
    EXPECT_TRUE(RefreshKeyboardLayout(shown));
    EXPECT_EQ(shown.name, "fr");
    EXPECT_EQ(shown, KeyboardLayoutFromNames("evdev", "pc105", "fr", "", ""));
    EXPECT_FALSE(RefreshKeyboardLayout(shown));
    if (saved != nullptr) {
        setenv("XKB_DEFAULT_LAYOUT", before.c_str(), 1);
    } else {
        unsetenv("XKB_DEFAULT_LAYOUT");
    }
}

// The X server's layout and group, and a Wayland compositor's keymap, on servers of our own:
// Xvfb, and weston nested in it (its headless backend has no keyboard).
TEST(Keymap, ReadsTheLayoutOfARunningXServerAndWaylandCompositor)
{
    if (!OnPath("Xvfb") || !OnPath("setxkbmap")) {
        GTEST_SKIP() << "needs Xvfb and setxkbmap";
    }
    int number = 222;
    while (number < 230 && access(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), F_OK) == 0) {
        ++number;
    }
    const std::string display = ":" + std::to_string(number);
    Child xvfb({"Xvfb", display, "-nolisten", "tcp", "-noreset"});
    ASSERT_GT(xvfb.pid, 0);
    KeyboardLayout read;
    ASSERT_TRUE(WithRetries([&] { return KeyboardLayoutFromX11(display.c_str(), read); })) << "Xvfb did not start";

    const std::string x = "DISPLAY=" + display + " ";
    ASSERT_EQ(std::system((x + "setxkbmap fr").c_str()), 0);
    ASSERT_TRUE(KeyboardLayoutFromX11(display.c_str(), read));
    EXPECT_EQ(read, KeyboardLayoutFromNames("evdev", "pc105", "fr", "", ""));

    // The kept connection reads the keymap again only when the server says it or the group changed.
    KeyboardLayoutReader watched(KeyboardLayoutReader::Source::X11, display.c_str());
    ASSERT_TRUE(watched.Open());
    struct Step {
        const char* command;  // run before asking; null: nothing changes
        const char* layout;   // what the reader must give then
        int reads;            // keymap reads so far
    };
    const Step steps[] = {
        {nullptr, "fr", 1},
        {nullptr, "fr", 1},
        {"setxkbmap de", "de", 2},
        {nullptr, "de", 2},
        {"setxkbmap -layout us,de", "us", 3},
    };
    for (const Step& step : steps) {
        if (step.command != nullptr) {
            ASSERT_EQ(std::system((x + step.command).c_str()), 0);
        }
        SCOPED_TRACE(step.command != nullptr ? step.command : "no change");
        // The server's events may trail the command a little; an unchanged layout is asked once.
        ASSERT_TRUE(WithRetries([&] { return watched.Current(read) && read.name == step.layout; }));
        EXPECT_EQ(ActiveGroup(read), KeyboardLayoutFromNames("evdev", "pc105", step.layout, "", ""));
        EXPECT_EQ(watched.Reads(), step.reads);
    }

    // Two layouts; the second group locked as a layout switch key would. Each names the other as
    // the one to switch to.
    const KeyboardLayout de = KeyboardLayoutFromNames("evdev", "pc105", "de", "", "");
    ASSERT_TRUE(KeyboardLayoutFromX11(display.c_str(), read));
    EXPECT_EQ(ActiveGroup(read), UsKeyboardLayout());
    ASSERT_EQ(read.otherGroups.size(), 1u);
    EXPECT_EQ(read.otherGroups[0], (KeyboardGroup{"de", de.chars}));
    ASSERT_TRUE(LockKeyboardGroup(display.c_str(), 1));
    ASSERT_TRUE(KeyboardLayoutFromX11(display.c_str(), read));
    EXPECT_EQ(ActiveGroup(read), de);
    ASSERT_EQ(read.otherGroups.size(), 1u);
    EXPECT_EQ(read.otherGroups[0], (KeyboardGroup{"us", UsKeyboardLayout().chars}));
    ASSERT_TRUE(WithRetries([&] { return watched.Current(read) && read.name == "de"; })) << "a group switch";
    EXPECT_EQ(ActiveGroup(read), de);
    EXPECT_EQ(watched.Reads(), 4);

    if (!OnPath("weston")) {
        GTEST_SKIP() << "needs weston for the Wayland half";
    }
    ASSERT_EQ(std::system((x + "setxkbmap -layout es").c_str()), 0);
    // A runtime directory of our own, removed with its socket when the test ends.
    char dir[] = "/tmp/pomarel-xdg-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const char* savedRuntime = std::getenv("XDG_RUNTIME_DIR");
    const std::string outerRuntime = savedRuntime != nullptr ? savedRuntime : "";
    setenv("XDG_RUNTIME_DIR", dir, 1);
    struct Restore {
        const char* dir;
        const char* saved;
        std::string outer;
        ~Restore()
        {
            std::filesystem::remove_all(dir);
            if (saved != nullptr) {
                setenv("XDG_RUNTIME_DIR", outer.c_str(), 1);
            } else {
                unsetenv("XDG_RUNTIME_DIR");
            }
        }
    } restore{dir, savedRuntime, outerRuntime};
    const std::string socket = "pomarel-keymap-" + std::to_string(getpid());
    const char* savedDisplay = std::getenv("DISPLAY");
    const std::string outerDisplay = savedDisplay != nullptr ? savedDisplay : "";
    setenv("DISPLAY", display.c_str(), 1);
    Child weston({"weston", "--backend=x11-backend.so", "--use-pixman", "--socket=" + socket, "--idle-time=0",
                  "--no-config", "--shell=fullscreen-shell.so"});
    if (savedDisplay != nullptr) {
        setenv("DISPLAY", outerDisplay.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
    ASSERT_GT(weston.pid, 0);
    ASSERT_TRUE(WithRetries([&] { return KeyboardLayoutFromWayland(socket.c_str(), read); })) << "weston did not start";
    EXPECT_EQ(read, KeyboardLayoutFromNames("evdev", "pc105", "es", "", ""));
    EXPECT_EQ(read.name, "es");

    KeyboardLayoutReader compositor(KeyboardLayoutReader::Source::Wayland, socket.c_str());
    ASSERT_TRUE(compositor.Open());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(compositor.Current(read));
        EXPECT_EQ(read.name, "es");
        EXPECT_EQ(compositor.Reads(), 1) << "an unchanged keymap is compiled once";
    }

    // Servers that went away: the readers say so, leave the layout alone, and do not wait.
    kill(weston.pid, SIGTERM);
    waitpid(weston.pid, nullptr, 0);
    weston.pid = -1;
    kill(xvfb.pid, SIGTERM);
    waitpid(xvfb.pid, nullptr, 0);
    xvfb.pid = -1;
    const KeyboardLayout before = read;
    EXPECT_TRUE(WithRetries([&] { return !compositor.Current(read); }));
    EXPECT_TRUE(WithRetries([&] { return !watched.Current(read); }));
    EXPECT_FALSE(compositor.Open());
    EXPECT_FALSE(watched.Open());
    EXPECT_EQ(read, before);
}
