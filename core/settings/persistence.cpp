#include "core/settings/persistence.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The read buffer: 5 bytes offered to the registry, plus one byte that is always 0
// so that data stored without a terminating NUL still ends inside the buffer.
constexpr uint32_t kOfferedSize = 5;

struct ReadState {
    char buffer[kOfferedSize + 1] = {};
    uint32_t offered = kOfferedSize;
};

bool ReadValue(const RegistryAccess& registry, void* key, const char* name, ReadState& state, int32_t& number)
{
    uint32_t size = state.offered;
    if (!registry.queryValue(key, name, state.buffer, &size)) return false;
    state.buffer[kOfferedSize] = 0;
    state.offered = size;
    number = DecimalValue(state.buffer, sizeof state.buffer);
    return true;
}

void ReadBounded(const RegistryAccess& registry, void* key, const char* name, ReadState& state,
                 BoundedSetting& setting, bool resetAfter)
{
    int32_t number;
    if (!ReadValue(registry, key, name, state, number)) return;
    setting.value = static_cast<int16_t>(number);
    if (resetAfter) {
        std::memset(state.buffer, ' ', kOfferedSize);
        state.offered = kOfferedSize;
    }
}

void ReadFlag(const RegistryAccess& registry, void* key, const char* name, ReadState& state, uint8_t& flag)
{
    int32_t number;
    if (ReadValue(registry, key, name, state, number)) flag = number != 0 ? 1 : 0;
}

void WriteNumber(const RegistryAccess& registry, void* key, const char* name, int number)
{
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d", number);
    registry.setText(key, name, text, static_cast<uint32_t>(length + 1));
}

}  // namespace

int32_t DecimalValue(const char* text, int size)
{
    int i = 0;
    while (i < size && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < size && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint32_t number = 0;
    for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i) number = number * 10u + static_cast<uint32_t>(text[i] - '0');
    return static_cast<int32_t>(negative ? 0u - number : number);
}

void LoadSettings(const RegistryAccess& registry, SaverSettings& settings)
{
    void* key = nullptr;
    if (!registry.openKey(kSettingsKey, &key) && !registry.openKey(kFallbackKey, &key)) return;

    // The first five reads reset the buffer and the offered size after a success;
    // from then on a successful read's size is what the next read is offered.
    ReadState state;
    ReadBounded(registry, key, "LifeTimeOneFig", state, settings.LifeTimeOneFig, true);
    ReadBounded(registry, key, "Zoom", state, settings.Zoom, true);
    ReadBounded(registry, key, "Quality", state, settings.Quality, true);
    ReadBounded(registry, key, "Brightness", state, settings.Brightness, true);
    ReadBounded(registry, key, "CountNotReplay", state, settings.CountNotReplay, true);
    ReadBounded(registry, key, "IntensityDeformation", state, settings.IntensityDeformation, false);
    int32_t res;
    if (ReadValue(registry, key, "Res", state, res)) settings.Res = static_cast<int16_t>(res);
    ReadFlag(registry, key, "on3D", state, settings.on3D);
    ReadFlag(registry, key, "onColor", state, settings.onColor);
    registry.closeKey(key);
}

void SaveSettings(const RegistryAccess& registry, const SaverSettings& settings, int res, int on3D, int onColor)
{
    void* key = nullptr;
    if (!registry.openKey(kSettingsKey, &key) && !registry.createKey(kSettingsKey, &key))
        return;  // nothing can be written; saving reports no failure
    WriteNumber(registry, key, "Zoom", settings.Zoom.value);
    WriteNumber(registry, key, "Quality", settings.Quality.value);
    WriteNumber(registry, key, "LifeTimeOneFig", settings.LifeTimeOneFig.value);
    WriteNumber(registry, key, "Brightness", settings.Brightness.value);
    WriteNumber(registry, key, "CountNotReplay", settings.CountNotReplay.value);
    WriteNumber(registry, key, "IntensityDeformation", settings.IntensityDeformation.value);
    WriteNumber(registry, key, "Res", res);
    WriteNumber(registry, key, "on3D", on3D);
    WriteNumber(registry, key, "onColor", onColor);
    registry.closeKey(key);
}
