// GNOME-like background settings through GSettings. GIO is loaded on first use, through the calls
// gio_abi.h declares; without it no GSettings desktop's wallpaper is read, and the other
// sources still are.
#include <dlfcn.h>

#include <QtGlobal>

#include <memory>
#include <type_traits>

#include "platform/desktop/readers/gio_abi.h"
#include "platform/desktop/readers/wallpaper_gio.h"

namespace {

struct GioCalls {
    gio::SchemaSourceGetDefaultFn SchemaSourceGetDefault;
    gio::SchemaSourceLookupFn SchemaSourceLookup;
    gio::SchemaUnrefFn SchemaUnref;
    gio::SchemaHasKeyFn SchemaHasKey;
    gio::SchemaGetKeyFn SchemaGetKey;
    gio::SchemaKeyGetValueTypeFn SchemaKeyGetValueType;
    gio::SchemaKeyUnrefFn SchemaKeyUnref;
    gio::SettingsNewFullFn SettingsNewFull;
    gio::SettingsGetStringFn SettingsGetString;
    gio::SettingsGetUserValueFn SettingsGetUserValue;
    gio::VariantTypeEqualFn VariantTypeEqual;
    gio::VariantUnrefFn VariantUnref;
    gio::ObjectUnrefFn ObjectUnref;
    gio::FreeFn Free;
};

// Null when the library or one of its functions is missing, said once on stderr. The library
// stays loaded: GLib's types cannot be unloaded.
const GioCalls* Load()
{
    void* lib = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        qWarning("pomarel: no GSettings wallpaper: %s", dlerror());
        return nullptr;
    }
    bool complete = true;
    const auto find = [&](auto& fn, const char* name) {
        // GLib's and GObject's calls are found through GIO, which depends on them.
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
        complete = complete && fn != nullptr;
    };
    static GioCalls calls{};
    find(calls.SchemaSourceGetDefault, "g_settings_schema_source_get_default");
    find(calls.SchemaSourceLookup, "g_settings_schema_source_lookup");
    find(calls.SchemaUnref, "g_settings_schema_unref");
    find(calls.SchemaHasKey, "g_settings_schema_has_key");
    find(calls.SchemaGetKey, "g_settings_schema_get_key");
    find(calls.SchemaKeyGetValueType, "g_settings_schema_key_get_value_type");
    find(calls.SchemaKeyUnref, "g_settings_schema_key_unref");
    find(calls.SettingsNewFull, "g_settings_new_full");
    find(calls.SettingsGetString, "g_settings_get_string");
    find(calls.SettingsGetUserValue, "g_settings_get_user_value");
    find(calls.VariantTypeEqual, "g_variant_type_equal");
    find(calls.VariantUnref, "g_variant_unref");
    find(calls.ObjectUnref, "g_object_unref");
    find(calls.Free, "g_free");
    if (!complete) {
        qWarning("pomarel: no GSettings wallpaper: the GIO library lacks a function");
        return nullptr;
    }
    return &calls;
}

// Loaded once, by the first reader.
const GioCalls* Gio()
{
    static const GioCalls* const calls = Load();
    return calls;
}

struct SchemaUnref {
    void operator()(gio::Schema* s) const { Gio()->SchemaUnref(s); }
};
struct ObjectUnref {
    void operator()(gio::Settings* p) const { Gio()->ObjectUnref(p); }
};
using SchemaPtr = std::unique_ptr<gio::Schema, SchemaUnref>;
using SettingsPtr = std::unique_ptr<gio::Settings, ObjectUnref>;

// The installed schema of that id; null when it is not installed (g_settings_new would abort).
SchemaPtr LookUp(const GioCalls& g, const char* id)
{
    gio::SchemaSource* source = g.SchemaSourceGetDefault();
    if (source == nullptr) {
        return nullptr;
    }
    return SchemaPtr(g.SchemaSourceLookup(source, id, 1));
}

bool HasStringKey(const GioCalls& g, gio::Schema* schema, const char* key)
{
    if (g.SchemaHasKey(schema, key) == 0) {
        return false;
    }
    gio::SchemaKey* k = g.SchemaGetKey(schema, key);
    const bool isString = g.VariantTypeEqual(g.SchemaKeyGetValueType(k), gio::StringType()) != 0;
    g.SchemaKeyUnref(k);
    return isString;
}

std::string StringOf(const GioCalls& g, gio::Settings* settings, gio::Schema* schema, const char* key)
{
    if (!HasStringKey(g, schema, key)) {
        return {};
    }
    char* value = g.SettingsGetString(settings, key);
    std::string out = value != nullptr ? value : "";
    g.Free(value);
    return out;
}

bool UserSet(const GioCalls& g, gio::Settings* settings, gio::Schema* schema, const char* key)
{
    if (g.SchemaHasKey(schema, key) == 0) {
        return false;
    }
    gio::Variant* value = g.SettingsGetUserValue(settings, key);
    if (value == nullptr) {
        return false;
    }
    g.VariantUnref(value);
    return true;
}

struct SchemaKeys {
    const char* id;
    const char* picture;      // a URI, or for MATE a path
    const char* pictureDark;  // null where the desktop has no dark picture
    const char* interfaceId;  // where the colour scheme is kept; null: none
};

}  // namespace

std::optional<GnomeBackground> ReadGSettingsBackground(WallpaperSource source, bool userSetOnly)
{
    SchemaKeys keys{};
    switch (source) {
    case WallpaperSource::Gnome:
        keys = {"org.gnome.desktop.background", "picture-uri", "picture-uri-dark", "org.gnome.desktop.interface"};
        break;
    case WallpaperSource::Cinnamon: keys = {"org.cinnamon.desktop.background", "picture-uri", nullptr, nullptr}; break;
    case WallpaperSource::Mate: keys = {"org.mate.background", "picture-filename", nullptr, nullptr}; break;
    default: return std::nullopt;
    }
    const GioCalls* g = Gio();
    if (g == nullptr) {
        return std::nullopt;
    }
    const SchemaPtr schema = LookUp(*g, keys.id);
    if (!schema) {
        return std::nullopt;
    }
    const SettingsPtr settings(g->SettingsNewFull(schema.get(), nullptr, nullptr));
    if (!settings) {
        return std::nullopt;
    }
    gio::Settings* s = settings.get();
    gio::Schema* sc = schema.get();
    if (userSetOnly && !UserSet(*g, s, sc, keys.picture) && !UserSet(*g, s, sc, "picture-options") &&
        (keys.pictureDark == nullptr || !UserSet(*g, s, sc, keys.pictureDark))) {
        return std::nullopt;
    }
    GnomeBackground bg;
    bg.uri = StringOf(*g, s, sc, keys.picture);
    if (keys.pictureDark != nullptr) {
        bg.uriDark = StringOf(*g, s, sc, keys.pictureDark);
    }
    bg.options = StringOf(*g, s, sc, "picture-options");
    bg.primaryColor = StringOf(*g, s, sc, "primary-color");
    if (keys.interfaceId != nullptr) {
        if (const SchemaPtr ui = LookUp(*g, keys.interfaceId); ui && HasStringKey(*g, ui.get(), "color-scheme")) {
            const SettingsPtr uiSettings(g->SettingsNewFull(ui.get(), nullptr, nullptr));
            bg.preferDark = uiSettings && StringOf(*g, uiSettings.get(), ui.get(), "color-scheme") == "prefer-dark";
        }
    }
    return bg;
}
