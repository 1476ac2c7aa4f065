// Where the active layout is read: the X server's XKB extension (X11 and XWayland) and the
// Wayland compositor's keymap.
#include "platform/keyboard/keymap.h"

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

#include "platform/keyboard/keymap_detail.h"
#include "platform/keyboard/keymap_sources.h"

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

}  // namespace

// What the reader keeps between reads; one kind per source.
struct KeyboardLayoutReader::Connection {
    virtual ~Connection() = default;
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Takes the events that have arrived, without waiting for more; false when the connection is lost.
    virtual bool TakeEvents() = 0;
    // Reads the keymap and group from the server into 'out'.
    virtual bool Read(KeyboardLayout& out) = 0;

    bool changed = true;  // the keymap or group changed since the last read (or there was none yet)
    KeyboardLayout layout;
    int reads = 0;
};

namespace {

// ---- X11: the XKB extension tells the clients that ask when the keymap or the group changes.

class X11Connection final : public KeyboardLayoutReader::Connection {
public:
    explicit X11Connection(const char* display) : m_c(xcb_connect(display, &m_screen))
    {
        if (!m_c || xcb_connection_has_error(m_c.get()) != 0 ||
            xkb_x11_setup_xkb_extension(m_c.get(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                        XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr,
                                        nullptr) == 0) {
            m_c.reset();
            return;
        }
        // A new keyboard or keymap (setxkbmap, a desktop's layout settings) and a change of group
        // (a layout switch key). Modifier changes are not asked for: every Shift would wake us.
        constexpr uint16_t kEvents =
            XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
        constexpr uint16_t kMapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                                       XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS |
                                       XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
                                       XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
        constexpr uint16_t kGroupParts =
            XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK;
        xcb_xkb_select_events_details_t details{};
        details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.affectState = kGroupParts;
        details.stateDetails = kGroupParts;
        const xcb_void_cookie_t cookie = xcb_xkb_select_events_aux_checked(m_c.get(), XCB_XKB_ID_USE_CORE_KBD, kEvents,
                                                                           0, 0, kMapParts, kMapParts, &details);
        const std::unique_ptr<xcb_generic_error_t, Deleter<std::free>> error(xcb_request_check(m_c.get(), cookie));
        if (error) {
            m_c.reset();
        }
    }

    bool IsOpen() const { return m_c != nullptr; }

    bool TakeEvents() override
    {
        // Only the events asked for above come here, and each means the layout may have changed.
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_c.get())) {
            std::free(event);
            changed = true;
        }
        return xcb_connection_has_error(m_c.get()) == 0;
    }

    bool Read(KeyboardLayout& out) override
    {
        const int32_t device = xkb_x11_get_core_keyboard_device_id(m_c.get());
        if (device == -1 || !m_ctx) {
            return false;
        }
        const Keymap keymap(
            xkb_x11_keymap_new_from_device(m_ctx.get(), m_c.get(), device, XKB_KEYMAP_COMPILE_NO_FLAGS));
        if (!keymap) {
            return false;
        }
        const State state(xkb_x11_state_new_from_device(keymap.get(), m_c.get(), device));
        const xkb_layout_index_t group =
            state ? xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE) : 0;
        std::string name = X11RulesName(m_c.get(), m_screen, group);
        if (name.empty()) {
            name = NameOfGroup(keymap.get(), group);
        }
        out = LayoutFromKeymap(keymap.get(), group, std::move(name),
                               [this](xkb_layout_index_t g) { return X11RulesName(m_c.get(), m_screen, g); });
        return true;
    }

private:
    int m_screen = 0;
    XcbConnection m_c;
    Context m_ctx = NewContext();
};

// ---- Wayland: the compositor sends the keymap to every wl_keyboard as a file descriptor, at
// first and again whenever it changes.

class WaylandConnection final : public KeyboardLayoutReader::Connection {
public:
    explicit WaylandConnection(const char* display)
    {
        // A socket name is looked up under XDG_RUNTIME_DIR; without it there is no session to ask.
        if ((display == nullptr || display[0] != '/') && std::getenv("XDG_RUNTIME_DIR") == nullptr) {
            return;
        }
        m_display.reset(wl_display_connect(display));
        if (!m_display) {
            return;
        }
        m_registry.reset(wl_display_get_registry(m_display.get()));
        if (!m_registry) {
            m_display.reset();
            return;
        }
        wl_registry_add_listener(m_registry.get(), &kRegistryListener, this);
        // Globals, then the seat's capabilities, then the keyboard's keymap: one round trip each.
        for (int i = 0; i < 3 && m_keymapText.empty(); ++i) {
            if (!TimedRoundtrip(m_display.get(), kWaylandTimeoutMs)) {
                break;
            }
        }
        if (m_keymapText.empty()) {
            Close();
        }
    }
    ~WaylandConnection() override { Close(); }
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    bool IsOpen() const { return m_display != nullptr; }

    bool TakeEvents() override
    {
        wl_display* d = m_display.get();
        while (wl_display_prepare_read(d) != 0) {
            if (wl_display_dispatch_pending(d) < 0) {
                return false;
            }
        }
        wl_display_flush(d);
        pollfd p{wl_display_get_fd(d), POLLIN, 0};
        if (poll(&p, 1, 0) > 0) {
            if (wl_display_read_events(d) < 0) {
                return false;
            }
        } else {
            wl_display_cancel_read(d);
        }
        return wl_display_dispatch_pending(d) >= 0 && wl_display_get_error(d) == 0;
    }

    bool Read(KeyboardLayout& out) override
    {
        if (!m_ctx) {
            return false;
        }
        const Keymap keymap(xkb_keymap_new_from_string(m_ctx.get(), m_keymapText.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                       XKB_KEYMAP_COMPILE_NO_FLAGS));
        if (!keymap) {
            return false;
        }
        std::string name = NameFromKeymapText(m_keymapText, m_group);
        if (name.empty()) {
            name = NameOfGroup(keymap.get(), m_group);
        }
        out = LayoutFromKeymap(keymap.get(), m_group, std::move(name),
                               [this](xkb_layout_index_t g) { return NameFromKeymapText(m_keymapText, g); });
        return true;
    }

private:
    // The proxies go before the display they live on.
    void Close()
    {
        if (m_keyboard != nullptr) {
            wl_keyboard_destroy(m_keyboard);
            m_keyboard = nullptr;
        }
        if (m_seat != nullptr) {
            wl_seat_destroy(m_seat);
            m_seat = nullptr;
        }
        m_registry.reset();
        m_display.reset();
    }

    static WaylandConnection* Self(void* data) { return static_cast<WaylandConnection*>(data); }

    static void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
    {
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
            void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (map != MAP_FAILED) {
                const auto* text = static_cast<const char*>(map);
                Self(data)->m_keymapText.assign(text, strnlen(text, size));
                Self(data)->changed = true;
                munmap(map, size);
            }
        }
        close(fd);
    }
    static void OnEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
    static void OnLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
    static void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
    // Compositors send the modifiers and group only to the client with the keyboard focus: a
    // connection without a surface learns of group changes only with a new keymap.
    static void OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t group)
    {
        if (Self(data)->m_group != group) {
            Self(data)->m_group = group;
            Self(data)->changed = true;
        }
    }
    static void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
    static constexpr wl_keyboard_listener kKeyboardListener = {OnKeymap, OnEnter,     OnLeave,
                                                               OnKey,    OnModifiers, OnRepeatInfo};

    static void OnCapabilities(void* data, wl_seat* seat, uint32_t caps)
    {
        WaylandConnection* self = Self(data);
        if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && self->m_keyboard == nullptr) {
            self->m_keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(self->m_keyboard, &kKeyboardListener, self);
        }
    }
    static void OnSeatName(void*, wl_seat*, const char*) {}
    static constexpr wl_seat_listener kSeatListener = {OnCapabilities, OnSeatName};

    static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
    {
        WaylandConnection* self = Self(data);
        if (self->m_seat == nullptr && std::strcmp(interface, wl_seat_interface.name) == 0) {
            self->m_seat =
                static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, version < 4 ? version : 4));
            wl_seat_add_listener(self->m_seat, &kSeatListener, self);
        }
    }
    static void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

    std::unique_ptr<wl_display, Deleter<wl_display_disconnect>> m_display;
    std::unique_ptr<wl_registry, Deleter<wl_registry_destroy>> m_registry;
    wl_seat* m_seat = nullptr;
    wl_keyboard* m_keyboard = nullptr;
    std::string m_keymapText;
    xkb_layout_index_t m_group = 0;
    Context m_ctx = NewContext();
};

}  // namespace

KeyboardLayoutReader::KeyboardLayoutReader(Source source, const char* display)
{
    if (source == Source::X11) {
        auto c = std::make_unique<X11Connection>(display);
        if (c->IsOpen()) {
            m_connection = std::move(c);
        }
    } else {
        auto c = std::make_unique<WaylandConnection>(display);
        if (c->IsOpen()) {
            m_connection = std::move(c);
        }
    }
}

KeyboardLayoutReader::~KeyboardLayoutReader() = default;

bool KeyboardLayoutReader::Open() const
{
    return m_connection != nullptr;
}

bool KeyboardLayoutReader::Current(KeyboardLayout& out)
{
    if (!m_connection) {
        return false;
    }
    if (!m_connection->TakeEvents()) {
        m_connection.reset();
        return false;
    }
    if (m_connection->changed) {
        // Cleared first: an event that comes during the read asks for one more read next time.
        m_connection->changed = false;
        KeyboardLayout read;
        if (!m_connection->Read(read)) {
            m_connection->changed = true;
            return false;
        }
        ++m_connection->reads;
        m_connection->layout = std::move(read);
    }
    out = m_connection->layout;
    return true;
}

int KeyboardLayoutReader::Reads() const
{
    return m_connection ? m_connection->reads : 0;
}

bool KeyboardLayoutFromX11(const char* display, KeyboardLayout& out)
{
    KeyboardLayoutReader reader(KeyboardLayoutReader::Source::X11, display);
    return reader.Current(out);
}

bool KeyboardLayoutFromWayland(const char* display, KeyboardLayout& out)
{
    KeyboardLayoutReader reader(KeyboardLayoutReader::Source::Wayland, display);
    return reader.Current(out);
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
