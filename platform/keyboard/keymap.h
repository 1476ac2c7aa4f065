// The user's keyboard layout, as plain data for the on-screen keyboard: what each physical key of
// its four upper rows types, read from the keyboard system (xkbcommon; X11, XWayland or the
// Wayland compositor). The session's layout is watched through one connection kept open, so asking
// again when nothing changed costs a poll, not a new read.
#pragma once

#include <array>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// Shift levels a key is typed at: nothing held, Shift held, AltGr (the third level) held.
enum class KeyLevel { Plain = 0, Shift = 1, AltGr = 2 };

constexpr int kLayoutRows = 4;  // rows 0..3 of the on-screen keyboard; the bottom row types nothing
constexpr int kLayoutCols = 14;
constexpr int kKeyLevels = 3;

// For each cell (row 0..3, column 0..13) of the on-screen keyboard, the character its physical key
// types at each level; 0 where it types none (a dead key, a modifier, Backspace, Tab, Enter, a cell
// beyond the row's end). The cells are the keys of a PC keyboard, by xkb key name:
//   row 0: TLDE AE01..AE12 BKSP     row 1: TAB AD01..AD12 BKSL
//   row 2: CAPS AC01..AC11 RTRN     row 3: LFSH AB01..AB10 RTSH LSGT
// LSGT, the key between the left Shift and Z on ISO keyboards, sits in the spare cell (3, 12).
using LayoutChars = std::array<std::array<std::array<char32_t, kKeyLevels>, kLayoutCols>, kLayoutRows>;
constexpr int kIsoKeyRow = 3;
constexpr int kIsoKeyCol = 12;

// One group (layout) of a keymap that holds several ("ru,us": Russian and US), by its short name.
struct KeyboardGroup {
    std::string name;
    LayoutChars chars{};
    friend bool operator==(const KeyboardGroup&, const KeyboardGroup&) = default;
};

struct KeyboardLayout {
    // Short name of the layout and variant, as the keyboard settings spell it: "us", "fr", "de",
    // "us(dvorak)"; a long description ("French") where no short name can be read.
    std::string name;
    LayoutChars chars{};
    // The keymap's other groups, in the keymap's order, the one above left out: what the user can
    // switch to. Empty for a keymap of one group.
    std::vector<KeyboardGroup> otherGroups;

    char32_t At(int row, int col, KeyLevel level) const
    {
        return chars[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)][static_cast<std::size_t>(level)];
    }
    friend bool operator==(const KeyboardLayout&, const KeyboardLayout&) = default;
};

// US QWERTY without consulting anything: the layout where none can be read.
KeyboardLayout UsKeyboardLayout();

// The layout compiled from xkb rule names (null or empty: xkbcommon's default, which honours
// XKB_DEFAULT_LAYOUT and its siblings); the first group. US QWERTY when it cannot be compiled
// (no xkb data, an unknown layout).
KeyboardLayout KeyboardLayoutFromNames(const char* rules, const char* model, const char* layout, const char* variant,
                                       const char* options);

// The layout of the running session and its current group. On native Wayland the compositor's
// keymap (a connection of our own); on X11 and XWayland the core keyboard through the XKB extension
// of $DISPLAY; on other toolkit platforms (offscreen), or when those fail, the XKB_DEFAULT_*
// environment; US QWERTY where nothing can be read. Never blocks for long: every wait is bounded.
// The X11 or Wayland connection stays open for RefreshKeyboardLayout (UI thread only).
KeyboardLayout ActiveKeyboardLayout();

// The active layout as of now; when it differs from 'layout' (the user switched layout or group),
// stores it there and returns true. For the practice window at Start: on X11 and Wayland it only
// polls the kept connection without blocking (a few microseconds) and reads the keymap again only
// when the server said the keymap or group changed.
bool RefreshKeyboardLayout(KeyboardLayout& layout);

// One connection to the X server's XKB extension or to a Wayland compositor, kept open to learn
// from its events when the keymap or the group changes.
class KeyboardLayoutReader {
public:
    enum class Source { X11, Wayland };
    // Connects to 'display' (null: $DISPLAY or $WAYLAND_DISPLAY) and asks for the keymap's change
    // events; Open() says whether that worked. Waits on a Wayland compositor are bounded.
    KeyboardLayoutReader(Source source, const char* display);
    ~KeyboardLayoutReader();
    KeyboardLayoutReader(const KeyboardLayoutReader&) = delete;
    KeyboardLayoutReader& operator=(const KeyboardLayoutReader&) = delete;

    bool Open() const;
    // The layout as of now into 'out': the events that arrived are taken without blocking, and the
    // keymap is read from the server only the first time and after an event said it or the group
    // changed. False (and 'out' left alone) when the connection is lost or the keymap unreadable.
    bool Current(KeyboardLayout& out);
    // How often the keymap was read from the server: once at first, then once per change.
    int Reads() const;

    struct Connection;

private:
    std::unique_ptr<Connection> m_connection;
};

// The same sources one at a time, each on a connection of its own for one read, for tests and
// diagnostics: false when the source gives nothing. 'display' null means $DISPLAY or $WAYLAND_DISPLAY.
bool KeyboardLayoutFromX11(const char* display, KeyboardLayout& out);
bool KeyboardLayoutFromWayland(const char* display, KeyboardLayout& out);

// The short name of group 'group' in an xkb_symbols include string such as
// "pc+fr+us:2+inet(evdev)" ("fr" for group 0, "us" for group 1); empty when there is none.
std::string LayoutNameFromSymbols(const std::string& symbols, int group);

// The short name of the layout ("es", "us(dvorak)") that an xkb registry (rules/evdev.xml, its
// text in 'registry') describes as 'description' ("Spanish", "English (Dvorak)"); empty if none.
// Keymaps made from the X server's carry only descriptions.
std::string LayoutNameFromDescription(const std::string& registry, const std::string& description);

// Locks group 'group' (0-based) of the X server's core keyboard, as a layout switch key would; for tests.
bool LockKeyboardGroup(const char* display, int group);

// For checks independent of the table above: compiles the named layout (first group), presses the
// keys 'held' (xkb key names, e.g. {"LFSH", "RALT"}) and then 'key', and returns what xkbcommon
// says that keystroke types (0: nothing, or a dead key). 0 as well when the keymap does not compile.
char32_t TypedCharacter(const char* layout, const char* variant, std::initializer_list<const char*> held,
                        const char* key);
