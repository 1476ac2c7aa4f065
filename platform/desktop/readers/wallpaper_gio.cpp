// GNOME-like background settings through GSettings. Kept apart from the rest of platform/ because
// GLib's TRUE and FALSE macros clash with the program's own constants.
#include <gio/gio.h>

#include <memory>

#include "platform/desktop/readers/wallpaper_gio.h"

namespace {

struct SchemaUnref {
    void operator()(GSettingsSchema* s) const { g_settings_schema_unref(s); }
};
struct ObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
using SchemaPtr = std::unique_ptr<GSettingsSchema, SchemaUnref>;
using SettingsPtr = std::unique_ptr<GSettings, ObjectUnref>;

// The installed schema of that id; null when it is not installed (g_settings_new would abort).
SchemaPtr LookUp(const char* id)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr) {
        return nullptr;
    }
    return SchemaPtr(g_settings_schema_source_lookup(source, id, TRUE));
}

bool HasStringKey(GSettingsSchema* schema, const char* key)
{
    if (!g_settings_schema_has_key(schema, key)) {
        return false;
    }
    GSettingsSchemaKey* k = g_settings_schema_get_key(schema, key);
    const bool isString = g_variant_type_equal(g_settings_schema_key_get_value_type(k), G_VARIANT_TYPE_STRING);
    g_settings_schema_key_unref(k);
    return isString;
}

std::string StringOf(GSettings* settings, GSettingsSchema* schema, const char* key)
{
    if (!HasStringKey(schema, key)) {
        return {};
    }
    gchar* value = g_settings_get_string(settings, key);
    std::string out = value != nullptr ? value : "";
    g_free(value);
    return out;
}

bool UserSet(GSettings* settings, GSettingsSchema* schema, const char* key)
{
    if (!g_settings_schema_has_key(schema, key)) {
        return false;
    }
    GVariant* value = g_settings_get_user_value(settings, key);
    if (value == nullptr) {
        return false;
    }
    g_variant_unref(value);
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
    const SchemaPtr schema = LookUp(keys.id);
    if (!schema) {
        return std::nullopt;
    }
    const SettingsPtr settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    if (!settings) {
        return std::nullopt;
    }
    GSettings* s = settings.get();
    GSettingsSchema* sc = schema.get();
    if (userSetOnly && !UserSet(s, sc, keys.picture) && !UserSet(s, sc, "picture-options") &&
        (keys.pictureDark == nullptr || !UserSet(s, sc, keys.pictureDark))) {
        return std::nullopt;
    }
    GnomeBackground bg;
    bg.uri = StringOf(s, sc, keys.picture);
    if (keys.pictureDark != nullptr) {
        bg.uriDark = StringOf(s, sc, keys.pictureDark);
    }
    bg.options = StringOf(s, sc, "picture-options");
    bg.primaryColor = StringOf(s, sc, "primary-color");
    if (keys.interfaceId != nullptr) {
        if (const SchemaPtr ui = LookUp(keys.interfaceId); ui && HasStringKey(ui.get(), "color-scheme")) {
            const SettingsPtr uiSettings(g_settings_new_full(ui.get(), nullptr, nullptr));
            bg.preferDark = uiSettings && StringOf(uiSettings.get(), ui.get(), "color-scheme") == "prefer-dark";
        }
    }
    return bg;
}
