// Where the active layout is read: the X server's XKB extension (X11 and XWayland) and the
// Wayland compositor's keymap.
#include "platform/keymap.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include <wayland-client.h>
#include <xcb/xcb.h>
// xcb's XKB header names a member 'explicit', which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

#include "platform/keymap_detail.h"

using namespace keymap_detail;

namespace {

// How long one answer from a Wayland compositor may take before we give up on it.
constexpr int kWaylandTimeoutMs = 500;

using XcbConnection = std::unique_ptr<xcb_connection_t, Deleter<xcb_disconnect>>;

// The short name of the layout in 'group' from the root window's _XKB_RULES_NAMES
// (rules, model, layouts, variants, options; NUL-separated).
std::string X11RulesName(xcb_connection_t* c, int screenNumber, xkb_layout_index_t group)
{
    const char atomName[] = "_XKB_RULES_NAMES";
    std::unique_ptr<xcb_intern_atom_reply_t, Deleter<std::free>> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof atomName - 1, atomName), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE) {
        return {};
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) {
        xcb_screen_next(&it);
    }
    if (it.rem == 0) {
        return {};
    }
    std::unique_ptr<xcb_get_property_reply_t, Deleter<std::free>> prop(xcb_get_property_reply(
        c, xcb_get_property(c, 0, it.data->root, atom->atom, XCB_ATOM_STRING, 0, 1024), nullptr));
    if (!prop || prop->format != 8) {
        return {};
    }
    const auto* data = static_cast<const char*>(xcb_get_property_value(prop.get()));
    const std::string_view all(data, static_cast<std::size_t>(xcb_get_property_value_length(prop.get())));
    std::vector<std::string_view> fields;
    for (std::size_t start = 0; start <= all.size() && fields.size() < 5;) {
        const std::size_t nul = all.find('\0', start);
        const std::size_t end = nul == std::string_view::npos ? all.size() : nul;
        fields.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    if (fields.size() < 3) {
        return {};
    }
    const std::string layout = ListItem(fields[2], group);
    return layout.empty() ? std::string()
                          : NameWithVariant(layout, fields.size() > 3 ? ListItem(fields[3], group) : "");
}

// ---- Wayland: the compositor sends the keymap to every wl_keyboard as a file descriptor.

struct WaylandReader {
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    std::string keymap;
    bool gotKeymap = false;
    xkb_layout_index_t group = 0;
};

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
{
    auto* r = static_cast<WaylandReader*>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (map != MAP_FAILED) {
            const auto* text = static_cast<const char*>(map);
            r->keymap.assign(text, strnlen(text, size));
            r->gotKeymap = true;
            munmap(map, size);
        }
    }
    close(fd);
}
void OnEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t group)
{
    static_cast<WaylandReader*>(data)->group = group;
}
void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnEnter, OnLeave, OnKey, OnModifiers, OnRepeatInfo};

void OnCapabilities(void* data, wl_seat* seat, uint32_t caps)
{
    auto* r = static_cast<WaylandReader*>(data);
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && r->keyboard == nullptr) {
        r->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(r->keyboard, &kKeyboardListener, r);
    }
}
void OnSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {OnCapabilities, OnSeatName};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    auto* r = static_cast<WaylandReader*>(data);
    if (r->seat == nullptr && std::strcmp(interface, wl_seat_interface.name) == 0) {
        r->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, version < 4 ? version : 4));
        wl_seat_add_listener(r->seat, &kSeatListener, r);
    }
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

void OnSyncDone(void* data, wl_callback*, uint32_t)
{
    *static_cast<bool*>(data) = true;
}
const wl_callback_listener kSyncListener = {OnSyncDone};

// A round trip that gives up after 'timeoutMs' instead of waiting on a stuck compositor.
bool TimedRoundtrip(wl_display* d, int timeoutMs)
{
    bool done = false;
    std::unique_ptr<wl_callback, Deleter<wl_callback_destroy>> cb(wl_display_sync(d));
    if (!cb) {
        return false;
    }
    wl_callback_add_listener(cb.get(), &kSyncListener, &done);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done) {
        if (wl_display_prepare_read(d) != 0) {
            if (wl_display_dispatch_pending(d) < 0) {
                return false;
            }
            continue;
        }
        wl_display_flush(d);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd p{wl_display_get_fd(d), POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) {
            wl_display_cancel_read(d);
            return false;
        }
        if (wl_display_read_events(d) < 0 || wl_display_dispatch_pending(d) < 0) {
            return false;
        }
    }
    return true;
}

// The name of the layout in 'group' from the xkb_symbols line of a keymap text.
std::string NameFromKeymapText(const std::string& text, xkb_layout_index_t group)
{
    const std::size_t at = text.find("xkb_symbols");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t open = text.find('"', at);
    const std::size_t close = open == std::string::npos ? open : text.find('"', open + 1);
    if (close == std::string::npos) {
        return {};
    }
    return LayoutNameFromSymbols(text.substr(open + 1, close - open - 1), static_cast<int>(group));
}

} // namespace

bool KeyboardLayoutFromX11(const char* display, KeyboardLayout& out)
{
    int screen = 0;
    const XcbConnection c(xcb_connect(display, &screen));
    if (!c || xcb_connection_has_error(c.get()) != 0) {
        return false;
    }
    if (xkb_x11_setup_xkb_extension(c.get(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr) == 0) {
        return false;
    }
    const int32_t device = xkb_x11_get_core_keyboard_device_id(c.get());
    const Context ctx = NewContext();
    if (device == -1 || !ctx) {
        return false;
    }
    const Keymap keymap(xkb_x11_keymap_new_from_device(ctx.get(), c.get(), device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        return false;
    }
    const State state(xkb_x11_state_new_from_device(keymap.get(), c.get(), device));
    const xkb_layout_index_t group = state ? xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE) : 0;
    std::string name = X11RulesName(c.get(), screen, group);
    if (name.empty()) {
        name = NameOfGroup(keymap.get(), group);
    }
    out = LayoutFromKeymap(keymap.get(), group, std::move(name));
    return true;
}

bool KeyboardLayoutFromWayland(const char* display, KeyboardLayout& out)
{
    // A socket name is looked up under XDG_RUNTIME_DIR; without it there is no session to ask.
    if ((display == nullptr || display[0] != '/') && std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        return false;
    }
    const std::unique_ptr<wl_display, Deleter<wl_display_disconnect>> d(wl_display_connect(display));
    if (!d) {
        return false;
    }
    WaylandReader reader;
    const std::unique_ptr<wl_registry, Deleter<wl_registry_destroy>> registry(wl_display_get_registry(d.get()));
    if (!registry) {
        return false;
    }
    wl_registry_add_listener(registry.get(), &kRegistryListener, &reader);
    // Globals, then the seat's capabilities, then the keyboard's keymap: one round trip each.
    for (int i = 0; i < 3 && !reader.gotKeymap; ++i) {
        if (!TimedRoundtrip(d.get(), kWaylandTimeoutMs)) {
            break;
        }
    }
    if (reader.keyboard != nullptr) {
        wl_keyboard_destroy(reader.keyboard);
    }
    if (reader.seat != nullptr) {
        wl_seat_destroy(reader.seat);
    }
    if (!reader.gotKeymap) {
        return false;
    }
    const Context ctx = NewContext();
    if (!ctx) {
        return false;
    }
    const Keymap keymap(xkb_keymap_new_from_string(ctx.get(), reader.keymap.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                   XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        return false;
    }
    std::string name = NameFromKeymapText(reader.keymap, reader.group);
    if (name.empty()) {
        name = NameOfGroup(keymap.get(), reader.group);
    }
    out = LayoutFromKeymap(keymap.get(), reader.group, std::move(name));
    return true;
}

bool LockKeyboardGroup(const char* display, int group)
{
    const XcbConnection c(xcb_connect(display, nullptr));
    if (!c || xcb_connection_has_error(c.get()) != 0 ||
        xkb_x11_setup_xkb_extension(c.get(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr) == 0) {
        return false;
    }
    const xcb_void_cookie_t cookie = xcb_xkb_latch_lock_state_checked(c.get(), XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1,
                                                                      static_cast<uint8_t>(group), 0, 0, 0);
    std::unique_ptr<xcb_generic_error_t, Deleter<std::free>> error(xcb_request_check(c.get(), cookie));
    return !error;
}
