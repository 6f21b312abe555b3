// Fuzzes LoadSettings over arbitrary stored contents: either key may be missing,
// every value may be missing or present with any bytes and length (the type is
// never looked at, so any type is covered). The store is the in-memory registry of
// the unit tests. Every loaded field must be its default or what atoi makes of the
// read buffer, which this target models byte for byte.
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "tests/fake_registry.h"
#include "settings/settings.h"

namespace {

constexpr int kValueCount = 9;
constexpr int kMaxData = 12;

void Check(bool holds, const char* what)
{
    if (holds) return;
    std::fprintf(stderr, "settings_load_fuzz: %s\n", what);
    std::abort();
}

// Input: one byte of key flags, then per value (in reading order) a byte whose
// lowest bit tells whether it is present, a byte with the data length, and the data.
void Decode(const uint8_t* data, size_t size, FakeRegistry& registry, std::map<std::string, std::string>& values)
{
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
}

// The read rules: a 5-byte buffer (zeros at first) offered 5 bytes; after a success
// on one of the first five values it is filled with spaces and offered 5 again,
// after the others the size read is offered next.
std::vector<std::optional<int>> Model(const std::map<std::string, std::string>& values)
{
    std::vector<std::optional<int>> numbers(kValueCount);
    char buffer[6] = {};
    size_t offered = 5;
    for (int i = 0; i < kValueCount; ++i) {
        auto found = values.find(kReadOrder[i]);
        if (found == values.end() || found->second.size() > offered) continue;
        found->second.copy(buffer, found->second.size());
        numbers[i] = std::atoi(buffer);  // at most five digits: no overflow
        if (i < 5) std::memset(buffer, ' ', 5);
        offered = i < 5 ? 5 : found->second.size();
    }
    return numbers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FakeRegistry registry;
    std::map<std::string, std::string> values;
    Decode(data, size, registry, values);
    fakeRegistry = &registry;
    saverSettings = kDefaultSettings;
    SetRegistryAccess(&kFakeRegistryAccess);
    LoadSettings();

    const bool opened = !registry.keys.empty();
    const bool mainKey = registry.keys.count(kSettingsKey) > 0;
    Check(registry.opened.size() == (mainKey ? 1u : 2u), "fallback key read although the settings key opened");
    Check(registry.openHandles == 0, "key not closed");
    Check(registry.read == (opened ? kReadOrder : std::vector<std::string>{}), "values not read once each in order");
    Check(registry.createCalls == 0 && registry.writes.empty(), "loading wrote to the registry");

    const auto numbers = opened ? Model(values) : std::vector<std::optional<int>>(kValueCount);
    const SaverSettings& s = saverSettings;
    const SaverSettings& d = kDefaultSettings;
    const BoundedSetting* bounded[] = {&s.LifeTimeOneFig, &s.Zoom, &s.Quality, &s.Brightness, &s.CountNotReplay,
                                       &s.IntensityDeformation};
    const BoundedSetting* defaults[] = {&d.LifeTimeOneFig, &d.Zoom, &d.Quality, &d.Brightness, &d.CountNotReplay,
                                        &d.IntensityDeformation};
    for (int i = 0; i < 6; ++i) {
        Check(bounded[i]->value == static_cast<int16_t>(numbers[i].value_or(defaults[i]->value)), "not as atoi reads");
        Check(bounded[i]->min == defaults[i]->min && bounded[i]->max == defaults[i]->max, "loading changed a bound");
    }
    Check(s.Res == static_cast<int16_t>(numbers[6].value_or(d.Res)), "Res not as atoi reads");
    Check(s.on3D == (numbers[7] ? *numbers[7] != 0 : d.on3D), "on3D not as atoi reads");
    Check(s.onColor == (numbers[8] ? *numbers[8] != 0 : d.onColor), "onColor not as atoi reads");
    return 0;
}
