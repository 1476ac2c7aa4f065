// The user's keyboard layout read from the keyboard system (xkbcommon; X11, XWayland or the
// Wayland compositor through keymap_sources.h). The session's layout is watched through one connection kept open, so
// asking again when nothing changed costs a poll, not a new read.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/keyboard/layout.h"

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

// The short name of group 'group' in an xkb_symbols include string such as
// "pc+fr+us:2+inet(evdev)" ("fr" for group 0, "us" for group 1); empty when there is none.
std::string LayoutNameFromSymbols(const std::string& symbols, int group);

// The short name of the layout ("es", "us(dvorak)") that an xkb registry (rules/evdev.xml, its
// text in 'registry') describes as 'description' ("Spanish", "English (Dvorak)"); empty if none.
// Keymaps made from the X server's carry only descriptions.
std::string LayoutNameFromDescription(const std::string& registry, const std::string& description);

// For checks independent of the layouts read above: compiles the named layout (first group), presses the
// keys 'held' (xkb key names, e.g. {"LFSH", "RALT"}) and then 'key', and returns what xkbcommon
// says that keystroke types (0: nothing, or a dead key). 0 as well when the keymap does not compile.
char32_t TypedCharacter(const char* layout, const char* variant, std::initializer_list<const char*> held,
                        const char* key);
