// An in-memory registry for the settings rules that answers as RegQueryValueExA
// does: data (with its NUL, if it has one) longer than the offered size fails,
// leaves the buffer alone and reports the size needed; a success reports the bytes
// read. It records what the loader and the saver ask of it.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/settings/persistence.h"

struct FakeRegistry {
    using Key = std::pair<const std::string, std::map<std::string, std::string>>;  // path, name -> raw data
    std::map<std::string, std::map<std::string, std::string>> keys;
    std::vector<std::string> opened;  // every open attempt, in order
    std::vector<std::string> read;    // every read: the value's name
    std::vector<uint32_t> offered;    // and the size it was offered
    std::vector<std::string> writes;  // every write: name=data
    int createCalls = 0;
    int openHandles = 0;
    bool createFails = false;

    // A value as SaveSettings stores it: the text and its NUL.
    void Text(const std::string& path, const std::string& name, const std::string& text)
    {
        keys[path][name] = std::string(text.c_str(), text.size() + 1);
    }
};

// The order LoadSettings reads the nine values in.
inline const std::vector<std::string> kReadOrder = {"LifeTimeOneFig", "Zoom", "Quality", "Brightness", "CountNotReplay",
                                                    "IntensityDeformation", "Res", "on3D", "onColor"};

inline FakeRegistry* fakeRegistry = nullptr;

inline bool FakeOpenKey(const char* path, void** key)
{
    fakeRegistry->opened.emplace_back(path);
    auto found = fakeRegistry->keys.find(path);
    if (found == fakeRegistry->keys.end()) return false;
    *key = &*found;
    ++fakeRegistry->openHandles;
    return true;
}

inline bool FakeCreateKey(const char* path, void** key)
{
    ++fakeRegistry->createCalls;
    if (fakeRegistry->createFails) return false;
    *key = &*fakeRegistry->keys.try_emplace(path).first;
    ++fakeRegistry->openHandles;
    return true;
}

inline bool FakeQueryValue(void* key, const char* name, char* buffer, uint32_t* size)
{
    fakeRegistry->read.emplace_back(name);
    fakeRegistry->offered.push_back(*size);
    const auto& values = static_cast<FakeRegistry::Key*>(key)->second;
    auto found = values.find(name);
    if (found == values.end()) return false;  // ERROR_FILE_NOT_FOUND
    const std::string& data = found->second;
    const uint32_t offered = *size;
    *size = static_cast<uint32_t>(data.size());
    if (data.size() > offered) return false;  // ERROR_MORE_DATA
    std::memcpy(buffer, data.data(), data.size());
    return true;
}

inline bool FakeSetText(void* key, const char* name, const char* text, uint32_t size)
{
    fakeRegistry->writes.push_back(std::string(name) + "=" + std::string(text, size));
    static_cast<FakeRegistry::Key*>(key)->second[name] = std::string(text, size);
    return true;
}

inline void FakeCloseKey(void*) { --fakeRegistry->openHandles; }

inline const RegistryAccess kFakeRegistryAccess = {FakeOpenKey, FakeCreateKey, FakeQueryValue, FakeSetText,
                                                   FakeCloseKey};
