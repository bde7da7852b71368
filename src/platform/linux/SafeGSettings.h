#pragma once

#include <gio/gio.h>

#include <memory>

struct GSettingsDeleter
{
    void operator()(GSettings* settings) const { g_object_unref(settings); }
};
using GSettingsPtr = std::unique_ptr<GSettings, GSettingsDeleter>;

// The settings of a schema, at `path` for a relocatable one; nothing when the schema is not
// installed (GLib ends the program when asked for an unknown one).
GSettingsPtr openSettings(const char* schemaId, const char* path = nullptr);
