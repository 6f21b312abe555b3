// Fuzzes LoadSettings over arbitrary stored contents, under the address and
// undefined-behaviour sanitizers: either key may be missing, every value may be
// missing or present with any bytes and length (the type is never looked at, so
// any type is covered). It checks that nothing is read past a buffer, every key
// opened is closed and loading writes nothing.
#include <cstdio>
#include <cstdlib>

#include "tests/core/fake_registry.h"

namespace {

constexpr size_t kMaxData = 12;

void Check(bool holds, const char* what)
{
    if (holds) return;
    std::fprintf(stderr, "settings_load_fuzz: %s\n", what);
    std::abort();
}

}  // namespace

// Input: one byte of key flags, then per value (in reading order) a byte whose
// lowest bit tells whether it is present, a byte with the data length, and the data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FakeRegistry registry;
    std::map<std::string, std::string> values;
    size_t at = 0;
    const uint8_t keys = at < size ? data[at++] : 0;
    for (const std::string& name : kReadOrder) {
        if (at + 2 > size) break;
        const bool present = data[at] & 1;
        const size_t length = data[at + 1] % (kMaxData + 1);
        at += 2;
        std::string bytes(length, '\0');
        for (char& byte : bytes) byte = static_cast<char>(at < size ? data[at++] : 0);
        if (present) values[name] = bytes;
    }
    if (keys & 1) registry.keys[kSettingsKey] = values;
    if (keys & 2) registry.keys[kFallbackKey] = values;

    fakeRegistry = &registry;
    SaverSettings settings = kDefaultSettings;
    LoadSettings(kFakeRegistryAccess, settings);
    Check(registry.openHandles == 0, "key not closed");
    Check(registry.createCalls == 0 && registry.writes.empty(), "loading wrote to the registry");
    return 0;
}
