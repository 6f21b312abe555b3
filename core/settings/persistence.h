// Settings kept as decimal text under a key of the current user's registry.
#pragma once

#include <cstdint>

#include "core/settings/settings.h"

constexpr const char* kSettingsKey = "Software\\Quorvane Software\\Velmora Screen Saver";
constexpr const char* kFallbackKey = "Software\\Velmora Screen Saver";  // read only

// The registry as the settings rules need it. A key is an opaque handle.
// queryValue reads a value's data into buffer, offering *size bytes: when the data
// (with its NUL) is longer it fails and leaves buffer alone; on success it sets
// *size to the bytes read. The platform layer binds these to advapi32.
struct RegistryAccess {
    bool (*openKey)(const char* path, void** key);    // HKEY_CURRENT_USER, full access
    bool (*createKey)(const char* path, void** key);  // creates or opens
    bool (*queryValue)(void* key, const char* name, char* buffer, uint32_t* size);
    bool (*setText)(void* key, const char* name, const char* text, uint32_t size);  // REG_SZ
    void (*closeKey)(void* key);
};

// Reads the stored values into settings, taking them as stored (no clamping);
// values not stored keep what settings held.
void LoadSettings(const RegistryAccess& registry, SaverSettings& settings);

// Writes the six bounded values of settings and the three arguments.
void SaveSettings(const RegistryAccess& registry, const SaverSettings& settings, int res, int on3D, int onColor);

// Decimal text as atoi reads it: blanks, an optional sign, digits up to the first
// other character or the end of the buffer; no digits gives 0. Never reads past
// size bytes and cannot overflow; the result is kept to its low 32 bits.
int32_t DecimalValue(const char* text, int size);
