#include "windows/registry.h"

#include <windows.h>

#include "core/settings/persistence.h"

namespace {

bool OpenKey(const char* path, void** key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) return false;
    *key = opened;
    return true;
}

bool CreateKey(const char* path, void** key)
{
    HKEY created = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, path, &created) != ERROR_SUCCESS) return false;
    *key = created;
    return true;
}

// The data lands in the caller's buffer only when the whole read succeeds: where
// the registry writes part of a value that does not fit, the buffer is left alone.
bool QueryValue(void* key, const char* name, char* buffer, uint32_t* size)
{
    BYTE data[16];
    if (*size > sizeof data) return false;  // never asked for: the offered size is at most 5
    DWORD type = 0;                         // asked for, never examined
    DWORD length = *size;
    if (RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &type, data, &length) != ERROR_SUCCESS)
        return false;  // the size a failed read asks for is not passed on
    CopyMemory(buffer, data, length);
    *size = length;
    return true;
}

bool SetText(void* key, const char* name, const char* text, uint32_t size)
{
    return RegSetValueExA(static_cast<HKEY>(key), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size) ==
           ERROR_SUCCESS;
}

void CloseKey(void* key) { RegCloseKey(static_cast<HKEY>(key)); }

const RegistryAccess windowsRegistry = {OpenKey, CreateKey, QueryValue, SetText, CloseKey};

}  // namespace

const RegistryAccess& WindowsRegistry() { return windowsRegistry; }
