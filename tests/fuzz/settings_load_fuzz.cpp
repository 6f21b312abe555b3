// Fuzzes LoadSettings over arbitrary stored contents: either key may be missing,
// every value may be missing or present with any type and any bytes. The store
// behaves as RegQueryValueExA: data longer than the offered size fails with the
// buffer untouched (and the needed size reported); success copies the data and
// reports its size. Every loaded field must be its default or what atoi makes of
// the read buffer, which this target models byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/persistence.h"
#include "settings/settings.h"

namespace {

constexpr int kValueCount = 9;
constexpr const char* kReadOrder[kValueCount] = {"LifeTimeOneFig", "Zoom", "Quality", "Brightness", "CountNotReplay",
                                                 "IntensityDeformation", "Res", "on3D", "onColor"};
constexpr int kMaxData = 12;

struct StoredValue {
    bool present;
    uint8_t type;  // asked for by the registry, never looked at by the loader
    int size;
    uint8_t data[kMaxData];
};

struct Store {
    bool settingsKey;
    bool fallbackKey;
    StoredValue values[kValueCount];
    void* openedKey;
    int opens;
    int closes;
    int queries;
    bool misuse;
};

Store store;
uint8_t keyToken;

void Fail(const char* what)
{
    std::fprintf(stderr, "settings_load_fuzz: %s\n", what);
    std::abort();
}

bool OpenKey(const char* path, void** key)
{
    ++store.opens;
    const bool exists = std::strcmp(path, kSettingsKey) == 0 ? store.settingsKey
                        : std::strcmp(path, kFallbackKey) == 0 ? store.fallbackKey
                                                                : false;
    if (!exists) return false;
    *key = &keyToken;
    store.openedKey = &keyToken;
    return true;
}

bool CreateKey(const char*, void**)
{
    Fail("loading created a key");
    return false;
}

bool SetText(void*, const char*, const char*, uint32_t)
{
    Fail("loading wrote a value");
    return false;
}

bool QueryValue(void* key, const char* name, char* buffer, uint32_t* size)
{
    if (key != store.openedKey || store.queries >= kValueCount || std::strcmp(name, kReadOrder[store.queries]) != 0)
        Fail("query out of order or on a key that is not open");
    const StoredValue& value = store.values[store.queries++];
    if (!value.present) return false;
    if (static_cast<uint32_t>(value.size) > *size) {
        *size = static_cast<uint32_t>(value.size);  // ERROR_MORE_DATA tells the size needed
        return false;
    }
    std::memcpy(buffer, value.data, static_cast<size_t>(value.size));  // ASan checks the buffer's bounds
    *size = static_cast<uint32_t>(value.size);
    return true;
}

void CloseKey(void* key)
{
    if (key != store.openedKey) Fail("closed a key that is not open");
    ++store.closes;
}

const RegistryAccess kFakeRegistry = {OpenKey, CreateKey, QueryValue, SetText, CloseKey};

// Input: one byte of key flags, then per value (in reading order) a byte with the
// presence bit and the type, a byte with the data length, and the data bytes.
void Decode(const uint8_t* data, size_t size)
{
    store = Store{};
    size_t at = 0;
    const uint8_t keys = at < size ? data[at++] : 0;
    store.settingsKey = keys & 1;
    store.fallbackKey = keys & 2;
    for (StoredValue& value : store.values) {
        if (at + 2 > size) break;
        value.present = data[at] & 1;
        value.type = static_cast<uint8_t>(data[at] >> 1);
        value.size = data[at + 1] % (kMaxData + 1);
        at += 2;
        for (int i = 0; i < value.size; ++i) value.data[i] = at < size ? data[at++] : 0;
    }
}

// The loader's rules written out once more: a 5-byte buffer (starting as zeros),
// offered 5 bytes; after a success on one of the first five values it is filled
// with spaces and offered 5 again, after the others the size read is offered next.
struct Expected {
    bool loaded[kValueCount];
    int number[kValueCount];
};

Expected Model()
{
    Expected expected{};
    if (!store.settingsKey && !store.fallbackKey) return expected;
    char buffer[6] = {};
    int offered = 5;
    for (int i = 0; i < kValueCount; ++i) {
        const StoredValue& value = store.values[i];
        if (!value.present || value.size > offered) continue;
        std::memcpy(buffer, value.data, static_cast<size_t>(value.size));
        expected.loaded[i] = true;
        expected.number[i] = std::atoi(buffer);  // at most five digits: no overflow
        if (i < 5) {
            std::memset(buffer, ' ', 5);
            offered = 5;
        } else {
            offered = value.size;
        }
    }
    return expected;
}

void CheckBounded(const BoundedSetting& actual, const BoundedSetting& initial, bool loaded, int number)
{
    const int16_t want = loaded ? static_cast<int16_t>(number) : initial.value;
    if (actual.value != want) Fail("bounded value differs from the conversion");
    if (actual.min != initial.min || actual.max != initial.max || actual.step != initial.step)
        Fail("loading changed a bound");
}

void CheckFlag(uint8_t actual, uint8_t initial, bool loaded, int number)
{
    const uint8_t want = loaded ? (number != 0 ? 1 : 0) : initial;
    if (actual != want) Fail("flag differs from the conversion");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Decode(data, size);
    saverSettings = kDefaultSettings;
    SetRegistryAccess(&kFakeRegistry);
    LoadSettings();

    const bool opened = store.settingsKey || store.fallbackKey;
    if (store.closes != (opened ? 1 : 0)) Fail("key not closed exactly once");
    if (store.queries != (opened ? kValueCount : 0)) Fail("not every value was asked for");
    if (store.opens != (store.settingsKey ? 1 : 2)) Fail("fallback key read although the settings key opened");

    const Expected e = Model();
    const SaverSettings& s = saverSettings;
    const SaverSettings& d = kDefaultSettings;
    CheckBounded(s.LifeTimeOneFig, d.LifeTimeOneFig, e.loaded[0], e.number[0]);
    CheckBounded(s.Zoom, d.Zoom, e.loaded[1], e.number[1]);
    CheckBounded(s.Quality, d.Quality, e.loaded[2], e.number[2]);
    CheckBounded(s.Brightness, d.Brightness, e.loaded[3], e.number[3]);
    CheckBounded(s.CountNotReplay, d.CountNotReplay, e.loaded[4], e.number[4]);
    CheckBounded(s.IntensityDeformation, d.IntensityDeformation, e.loaded[5], e.number[5]);
    if (s.Res != (e.loaded[6] ? static_cast<int16_t>(e.number[6]) : d.Res)) Fail("Res differs from the conversion");
    CheckFlag(s.on3D, d.on3D, e.loaded[7], e.number[7]);
    CheckFlag(s.onColor, d.onColor, e.loaded[8], e.number[8]);
    return 0;
}
