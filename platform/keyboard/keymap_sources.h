// The keyboard system's connections (keymap_sources.cpp): the X server's XKB extension and the
// Wayland compositor, each read through xkbcommon.
#pragma once

#include <memory>

#include "platform/keyboard/layout.h"

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

// Locks group 'group' (0-based) of the X server's core keyboard, as a layout switch key would; for tests.
bool LockKeyboardGroup(const char* display, int group);
