// The part of GIO's binary interface the GSettings reader calls (wallpaper_gio.cpp),
// declared here: GIO is loaded when the desktop's settings are first read, so building needs none
// of GLib's development files, which would bring a dozen packages (Python among them) to a machine
// that only builds and runs the program. The library itself comes with the toolkit. GLib keeps this
// interface stable; tests/platform/test_loaded_abi.cpp holds every type below against GLib's own
// headers.
#pragma once

// GLib's opaque types by GLib's own names, so that the functions' types below are exactly those
// GLib's headers declare.
// NOLINTBEGIN(bugprone-reserved-identifier): the names are GLib's
struct _GSettings;
struct _GSettingsBackend;
struct _GSettingsSchema;
struct _GSettingsSchemaKey;
struct _GSettingsSchemaSource;
struct _GVariant;
struct _GVariantType;
// NOLINTEND(bugprone-reserved-identifier)

namespace gio {

using Settings = _GSettings;
using SettingsBackend = _GSettingsBackend;
using Schema = _GSettingsSchema;
using SchemaKey = _GSettingsSchemaKey;
using SchemaSource = _GSettingsSchemaSource;
using Variant = _GVariant;
using VariantType = _GVariantType;
using Boolean = int;  // gboolean

// G_VARIANT_TYPE_STRING: a type string is its own GVariantType.
inline const VariantType* StringType()
{
    return reinterpret_cast<const VariantType*>("s");
}

// The functions, by their GLib names (g_settings_schema_source_get_default, ...).
using SchemaSourceGetDefaultFn = SchemaSource* (*)();
using SchemaSourceLookupFn = Schema* (*)(SchemaSource* source, const char* schema_id, Boolean recursive);
using SchemaUnrefFn = void (*)(Schema* schema);
using SchemaHasKeyFn = Boolean (*)(Schema* schema, const char* name);
using SchemaGetKeyFn = SchemaKey* (*)(Schema* schema, const char* name);
using SchemaKeyGetValueTypeFn = const VariantType* (*)(SchemaKey* key);
using SchemaKeyUnrefFn = void (*)(SchemaKey* key);
using SettingsNewFullFn = Settings* (*)(Schema* schema, SettingsBackend* backend, const char* path);
using SettingsGetStringFn = char* (*)(Settings* settings, const char* key);
using SettingsGetUserValueFn = Variant* (*)(Settings* settings, const char* key);
using VariantTypeEqualFn = Boolean (*)(const void* type1, const void* type2);
using VariantUnrefFn = void (*)(Variant* value);
using ObjectUnrefFn = void (*)(void* object);
using FreeFn = void (*)(void* mem);

}  // namespace gio
