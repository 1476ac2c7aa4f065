#include "platform/keyboard/keymap.h"

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string_view>

#include "platform/keyboard/keymap_detail.h"
#include "platform/keyboard/keymap_sources.h"

using namespace keymap_detail;

namespace {

// xkb key names of the cells of rows 0..3, left to right; null past a row's end.
constexpr const char* kKeyNames[kLayoutRows][kLayoutCols] = {
    {"TLDE", "AE01", "AE02", "AE03", "AE04", "AE05", "AE06", "AE07", "AE08", "AE09", "AE10", "AE11", "AE12", "BKSP"},
    {"TAB", "AD01", "AD02", "AD03", "AD04", "AD05", "AD06", "AD07", "AD08", "AD09", "AD10", "AD11", "AD12", "BKSL"},
    {"CAPS", "AC01", "AC02", "AC03", "AC04", "AC05", "AC06", "AC07", "AC08", "AC09", "AC10", "AC11", "RTRN", nullptr},
    {"LFSH", "AB01", "AB02", "AB03", "AB04", "AB05", "AB06", "AB07", "AB08", "AB09", "AB10", "RTSH", "LSGT", nullptr},
};

// The character a keysym types; 0 for dead keys, control characters and keysyms without one.
char32_t CharOfKeysym(xkb_keysym_t sym)
{
    if (sym >= XKB_KEY_dead_grave && sym <= XKB_KEY_dead_longsolidusoverlay) {
        return 0;
    }
    const char32_t c = xkb_keysym_to_utf32(sym);
    return (c < 0x20 || c == 0x7f) ? 0 : c;
}

// The key that selects the third level in 'group': the one whose plain keysym is ISO_Level3_Shift,
// the right Alt key if it is one of them.
xkb_keycode_t LevelThreeKey(xkb_keymap* keymap, xkb_layout_index_t group)
{
    const xkb_keycode_t ralt = xkb_keymap_key_by_name(keymap, "RALT");
    xkb_keycode_t found = XKB_KEYCODE_INVALID;
    for (xkb_keycode_t kc = xkb_keymap_min_keycode(keymap); kc <= xkb_keymap_max_keycode(keymap); ++kc) {
        if (xkb_keymap_num_layouts_for_key(keymap, kc) == 0) {
            continue;
        }
        const xkb_layout_index_t g = group < xkb_keymap_num_layouts_for_key(keymap, kc) ? group : 0;
        const xkb_keysym_t* syms = nullptr;
        // LVL3 is no key of a keyboard, only the holder of the modifier: the third level it reaches
        // is not what AltGr types.
        const char* name = xkb_keymap_key_get_name(keymap, kc);
        if (name != nullptr && std::strcmp(name, "LVL3") == 0) {
            continue;
        }
        if (xkb_keymap_key_get_syms_by_level(keymap, kc, g, 0, &syms) == 1 && syms[0] == XKB_KEY_ISO_Level3_Shift) {
            if (kc == ralt) {
                return kc;
            }
            if (found == XKB_KEYCODE_INVALID) {
                found = kc;
            }
        }
    }
    return found;
}

// A state with 'group' locked and the keys 'held' pressed.
State StateWith(xkb_keymap* keymap, xkb_layout_index_t group, std::initializer_list<xkb_keycode_t> held)
{
    State st(xkb_state_new(keymap));
    if (st) {
        xkb_state_update_mask(st.get(), 0, 0, 0, 0, 0, group);
        for (const xkb_keycode_t kc : held) {
            if (kc != XKB_KEYCODE_INVALID) {
                xkb_state_update_key(st.get(), kc, XKB_KEY_DOWN);
            }
        }
    }
    return st;
}

// What key 'kc' types in state 'st', with the level it resolves to.
char32_t CharAt(xkb_keymap* keymap, xkb_state* st, xkb_keycode_t kc, xkb_level_index_t& level)
{
    const xkb_layout_index_t layout = xkb_state_key_get_layout(st, kc);
    level = xkb_state_key_get_level(st, kc, layout);
    const xkb_keysym_t* syms = nullptr;
    if (layout == XKB_LAYOUT_INVALID || level == XKB_LEVEL_INVALID ||
        xkb_keymap_key_get_syms_by_level(keymap, kc, layout, level, &syms) != 1) {
        level = XKB_LEVEL_INVALID;
        return 0;
    }
    return CharOfKeysym(syms[0]);
}

bool IsCharacterKey(int row, int col)
{
    const char* name = kKeyNames[row][col];
    return name != nullptr && (name[0] == 'A' || std::strcmp(name, "TLDE") == 0 || std::strcmp(name, "BKSL") == 0 ||
                               std::strcmp(name, "LSGT") == 0);
}

Keymap CompileNames(xkb_context* ctx, const char* rules, const char* model, const char* layout, const char* variant,
                    const char* options)
{
    const xkb_rule_names names{rules, model, layout, variant, options};
    return Keymap(xkb_keymap_new_from_names(ctx, &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

std::string NameFromNames(const char* layout, const char* variant)
{
    const char* l = (layout != nullptr && *layout != 0) ? layout : std::getenv("XKB_DEFAULT_LAYOUT");
    const char* v = (layout != nullptr && *layout != 0) ? variant : std::getenv("XKB_DEFAULT_VARIANT");
    const std::string first = ListItem(l != nullptr && *l != 0 ? l : "us", 0);
    return NameWithVariant(first, ListItem(v != nullptr ? v : "", 0));
}

bool PlatformIs(const char* name)
{
    return qGuiApp != nullptr && QGuiApplication::platformName() == QLatin1String(name);
}

// The characters of every cell at each level in 'group'; false when no state can be made.
bool GroupChars(xkb_keymap* keymap, xkb_layout_index_t group, LayoutChars& chars)
{
    const xkb_keycode_t shiftKey = xkb_keymap_key_by_name(keymap, "LFSH");
    const xkb_keycode_t level3Key = LevelThreeKey(keymap, group);
    const State plain = StateWith(keymap, group, {});
    const State shift = StateWith(keymap, group, {shiftKey});
    const State altGr = StateWith(keymap, group, {level3Key});
    if (!plain || !shift || !altGr) {
        return false;
    }
    for (int r = 0; r < kLayoutRows; ++r) {
        for (int c = 0; c < kLayoutCols; ++c) {
            if (!IsCharacterKey(r, c)) {
                continue;
            }
            const xkb_keycode_t kc = xkb_keymap_key_by_name(keymap, kKeyNames[r][c]);
            if (kc == XKB_KEYCODE_INVALID) {
                continue;
            }
            auto& cell = chars[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            xkb_level_index_t lp = 0;
            xkb_level_index_t ls = 0;
            xkb_level_index_t l3 = 0;
            cell[0] = CharAt(keymap, plain.get(), kc, lp);
            cell[1] = CharAt(keymap, shift.get(), kc, ls);
            cell[2] = CharAt(keymap, altGr.get(), kc, l3);
            // AltGr on a key without a third level types the plain character: not a level of its own.
            if (level3Key == XKB_KEYCODE_INVALID || l3 == lp || l3 == ls) {
                cell[2] = 0;
            }
        }
    }
    return true;
}

}  // namespace

namespace keymap_detail {

Context NewContext()
{
    Context ctx(xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES));
    if (ctx) {
        // Missing data or odd keymaps are expected here; the fallback covers them.
        xkb_context_set_log_level(ctx.get(), XKB_LOG_LEVEL_CRITICAL);
        xkb_context_include_path_append_default(ctx.get());
    }
    return ctx;
}

KeyboardLayout LayoutFromKeymap(xkb_keymap* keymap, xkb_layout_index_t group, std::string name,
                                const std::function<std::string(xkb_layout_index_t)>& nameOf)
{
    const xkb_layout_index_t groups = xkb_keymap_num_layouts(keymap);
    if (group >= groups) {
        group = 0;
    }
    KeyboardLayout out;
    if (!GroupChars(keymap, group, out.chars)) {
        return UsKeyboardLayout();
    }
    out.name = std::move(name);
    // A keymap has at most four groups.
    for (xkb_layout_index_t g = 0; g < groups && g < 4; ++g) {
        KeyboardGroup other;
        if (g == group || !GroupChars(keymap, g, other.chars)) {
            continue;
        }
        other.name = nameOf ? nameOf(g) : std::string();
        if (other.name.empty()) {
            other.name = NameOfGroup(keymap, g);
        }
        out.otherGroups.push_back(std::move(other));
    }
    return out;
}

// First element of a comma-separated list, or element 'index'.
std::string ListItem(std::string_view list, std::size_t index)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        const std::size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) {
            return {};
        }
        start = comma + 1;
    }
    return std::string(list.substr(start, list.find(',', start) - start));
}

std::string NameWithVariant(const std::string& layout, const std::string& variant)
{
    return variant.empty() ? layout : layout + "(" + variant + ")";
}

// The short name of a group from its description ("Spanish" -> "es"), else the description itself.
std::string NameOfGroup(xkb_keymap* keymap, xkb_layout_index_t group)
{
    const char* n = xkb_keymap_layout_get_name(keymap, group);
    if (n == nullptr) {
        return {};
    }
    const char* root = std::getenv("XKB_CONFIG_ROOT");
    std::ifstream in(std::string(root != nullptr && *root != 0 ? root : "/usr/share/X11/xkb") + "/rules/evdev.xml");
    std::string name;
    if (in) {
        const std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        name = LayoutNameFromDescription(xml, n);
    }
    return name.empty() ? n : name;
}

}  // namespace keymap_detail

KeyboardLayout KeyboardLayoutFromNames(const char* rules, const char* model, const char* layout, const char* variant,
                                       const char* options)
{
    const Context ctx = NewContext();
    if (!ctx) {
        return UsKeyboardLayout();
    }
    const Keymap keymap = CompileNames(ctx.get(), rules, model, layout, variant, options);
    if (!keymap) {
        return UsKeyboardLayout();
    }
    const char* layouts = (layout != nullptr && *layout != 0) ? layout : std::getenv("XKB_DEFAULT_LAYOUT");
    const char* variants = (layout != nullptr && *layout != 0) ? variant : std::getenv("XKB_DEFAULT_VARIANT");
    return LayoutFromKeymap(keymap.get(), 0, NameFromNames(layout, variant), [&](xkb_layout_index_t g) {
        return NameWithVariant(ListItem(layouts != nullptr ? layouts : "", g),
                               ListItem(variants != nullptr ? variants : "", g));
    });
}

namespace {

// The reader of the session's layout, opened at first use and again after its connection was lost;
// null on platforms without one (offscreen) or when it cannot connect.
KeyboardLayoutReader* SessionReader()
{
    static std::unique_ptr<KeyboardLayoutReader> reader;
    if (reader && reader->Open()) {
        return reader.get();
    }
    reader.reset();
    if (PlatformIs("wayland")) {
        reader = std::make_unique<KeyboardLayoutReader>(KeyboardLayoutReader::Source::Wayland, nullptr);
    }
    // XWayland serves the same keymap to X clients when the compositor's cannot be read.
    if ((!reader || !reader->Open()) && (PlatformIs("wayland") || PlatformIs("xcb"))) {
        reader = std::make_unique<KeyboardLayoutReader>(KeyboardLayoutReader::Source::X11, nullptr);
    }
    if (reader && !reader->Open()) {
        reader.reset();
    }
    return reader.get();
}

}  // namespace

KeyboardLayout ActiveKeyboardLayout()
{
    KeyboardLayout out;
    KeyboardLayoutReader* reader = SessionReader();
    if (reader != nullptr && reader->Current(out)) {
        return out;
    }
    // No keyboard system to ask: the XKB_DEFAULT_* variables name the layout. Compiling a keymap
    // takes milliseconds, so it is compiled again only when they change.
    static std::string cachedNames;
    static KeyboardLayout cached;
    static bool cachedValid = false;
    std::string names;
    for (const char* var : {"XKB_DEFAULT_RULES", "XKB_DEFAULT_MODEL", "XKB_DEFAULT_LAYOUT", "XKB_DEFAULT_VARIANT",
                            "XKB_DEFAULT_OPTIONS"}) {
        const char* value = std::getenv(var);
        names += value != nullptr ? value : "";
        names += '\n';
    }
    if (!cachedValid || names != cachedNames) {
        cached = KeyboardLayoutFromNames(nullptr, nullptr, nullptr, nullptr, nullptr);
        cachedNames = names;
        cachedValid = true;
    }
    return cached;
}

bool RefreshKeyboardLayout(KeyboardLayout& layout)
{
    KeyboardLayout now = ActiveKeyboardLayout();
    if (now == layout) {
        return false;
    }
    layout = std::move(now);
    return true;
}

std::string LayoutNameFromSymbols(const std::string& symbols, int group)
{
    // Components are joined by '+' (or '|'); a layout is "name", "name(variant)" or "name:N" for
    // group N (1-based; the first layout has no suffix). "pc", "inet(...)", "group(...)" and the
    // like are not layouts.
    static constexpr const char* kNotLayouts[] = {
        "pc",     "inet", "group", "level3", "level5",    "compose",  "ctrl", "altwin", "capslock", "terminate",
        "keypad", "kpdl", "shift", "lv3",    "srvr_ctrl", "eurosign", "nbsp", "japan",  "grp",      "caps"};
    int firstSeen = 0;
    std::size_t start = 0;
    while (start <= symbols.size()) {
        std::size_t end = symbols.find_first_of("+|", start);
        if (end == std::string::npos) {
            end = symbols.size();
        }
        std::string part = symbols.substr(start, end - start);
        start = end + 1;
        int index = -1;
        const std::size_t colon = part.find(':');
        if (colon != std::string::npos) {
            index = std::atoi(part.c_str() + colon + 1) - 1;
            part.resize(colon);
        }
        const std::string base = part.substr(0, part.find('('));
        bool layout = !base.empty();
        for (const char* n : kNotLayouts) {
            layout = layout && base != n;
        }
        if (!layout) {
            continue;
        }
        if (index < 0) {
            index = firstSeen++ == 0 ? 0 : -1;
        }
        if (index == group) {
            return part;
        }
    }
    return {};
}

std::string LayoutNameFromDescription(const std::string& registry, const std::string& description)
{
    // The layouts are <layout><configItem><name>fr</name>...<description>French</description>, each
    // followed by its <variant>s, which are named the same way.
    const std::size_t begin = registry.find("<layoutList>");
    const std::size_t end = registry.find("</layoutList>");
    if (begin == std::string::npos || end == std::string::npos) {
        return {};
    }
    const auto textOf = [&](std::size_t tag, const char* open) {
        const std::size_t from = tag + std::strlen(open);
        return registry.substr(from, registry.find('<', from) - from);
    };
    std::string layout;
    std::string current;
    bool inVariant = false;
    bool named = false;
    for (std::size_t at = begin; (at = registry.find('<', at + 1)) < end;) {
        if (registry.compare(at, 8, "<layout>") == 0) {
            inVariant = false;
            named = false;
        } else if (registry.compare(at, 9, "<variant>") == 0) {
            inVariant = true;
            named = false;
        } else if (registry.compare(at, 6, "<name>") == 0 && !named) {
            named = true;
            const std::string n = textOf(at, "<name>");
            if (!inVariant) {
                layout = n;
            }
            current = inVariant ? NameWithVariant(layout, n) : n;
        } else if (registry.compare(at, 13, "<description>") == 0 && textOf(at, "<description>") == description) {
            return current;
        }
    }
    return {};
}

char32_t TypedCharacter(const char* layout, const char* variant, std::initializer_list<const char*> held,
                        const char* key)
{
    // Checks ask many keys of one layout in a row: keep the last keymap.
    static Context ctx;
    static Keymap keymap;
    static std::string compiled;
    const std::string wanted = std::string(layout) + "(" + variant + ")";
    if (!keymap || wanted != compiled) {
        if (!ctx) {
            ctx = NewContext();
        }
        keymap = ctx ? CompileNames(ctx.get(), "evdev", "pc105", layout, variant, "") : Keymap();
        compiled = wanted;
    }
    const State st(keymap ? xkb_state_new(keymap.get()) : nullptr);
    if (!st) {
        return 0;
    }
    for (const char* name : held) {
        xkb_state_update_key(st.get(), xkb_keymap_key_by_name(keymap.get(), name), XKB_KEY_DOWN);
    }
    const xkb_keycode_t kc = xkb_keymap_key_by_name(keymap.get(), key);
    return kc == XKB_KEYCODE_INVALID ? 0 : xkb_state_key_get_utf32(st.get(), kc);
}
