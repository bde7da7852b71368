#include "platform/linux/SafeGSettings.h"

GSettingsPtr openSettings(const char* schemaId, const char* path)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr;
    if (!schema)
        return nullptr;
    GSettingsPtr settings(g_settings_new_full(schema, nullptr, path));
    g_settings_schema_unref(schema);
    return settings;
}
