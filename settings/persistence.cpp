#include "settings/persistence.h"

#include <cstdio>
#include <cstring>

#include "settings/settings.h"

namespace {

const RegistryAccess* registryAccess = nullptr;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The read buffer: 5 bytes offered to the registry, plus one byte that is always 0
// so that data stored without a terminating NUL still ends inside the buffer.
constexpr uint32_t kOfferedSize = 5;

struct ReadState {
    char buffer[kOfferedSize + 1] = {};
    uint32_t offered = kOfferedSize;
};

bool ReadValue(void* key, const char* name, ReadState& state, int32_t& number)
{
    uint32_t size = state.offered;
    if (!registryAccess->queryValue(key, name, state.buffer, &size)) return false;
    state.buffer[kOfferedSize] = 0;
    state.offered = size;
    number = DecimalValue(state.buffer, sizeof state.buffer);
    return true;
}

void ReadBounded(void* key, const char* name, ReadState& state, BoundedSetting& setting, bool resetAfter)
{
    int32_t number;
    if (!ReadValue(key, name, state, number)) return;
    setting.value = static_cast<int16_t>(number);
    if (resetAfter) {
        std::memset(state.buffer, ' ', kOfferedSize);
        state.offered = kOfferedSize;
    }
}

void ReadFlag(void* key, const char* name, ReadState& state, uint8_t& flag)
{
    int32_t number;
    if (ReadValue(key, name, state, number)) flag = number != 0 ? 1 : 0;
}

void WriteNumber(void* key, const char* name, int number)
{
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d", number);
    registryAccess->setText(key, name, text, static_cast<uint32_t>(length + 1));
}

}  // namespace

void SetRegistryAccess(const RegistryAccess* registry) { registryAccess = registry; }

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

void LoadSettings()
{
    if (!registryAccess) return;
    void* key = nullptr;
    if (!registryAccess->openKey(kSettingsKey, &key) && !registryAccess->openKey(kFallbackKey, &key)) return;

    // The first five reads reset the buffer and the offered size after a success;
    // from then on a successful read's size is what the next read is offered.
    ReadState state;
    ReadBounded(key, "LifeTimeOneFig", state, saverSettings.LifeTimeOneFig, true);
    ReadBounded(key, "Zoom", state, saverSettings.Zoom, true);
    ReadBounded(key, "Quality", state, saverSettings.Quality, true);
    ReadBounded(key, "Brightness", state, saverSettings.Brightness, true);
    ReadBounded(key, "CountNotReplay", state, saverSettings.CountNotReplay, true);
    ReadBounded(key, "IntensityDeformation", state, saverSettings.IntensityDeformation, false);
    int32_t res;
    if (ReadValue(key, "Res", state, res)) saverSettings.Res = static_cast<int16_t>(res);
    ReadFlag(key, "on3D", state, saverSettings.on3D);
    ReadFlag(key, "onColor", state, saverSettings.onColor);
    registryAccess->closeKey(key);
}

void SaveSettings(int res, int on3D, int onColor)
{
    if (!registryAccess) return;
    void* key = nullptr;
    if (!registryAccess->openKey(kSettingsKey, &key) && !registryAccess->createKey(kSettingsKey, &key))
        return;  // nothing can be written; saving reports no failure
    WriteNumber(key, "Zoom", saverSettings.Zoom.value);
    WriteNumber(key, "Quality", saverSettings.Quality.value);
    WriteNumber(key, "LifeTimeOneFig", saverSettings.LifeTimeOneFig.value);
    WriteNumber(key, "Brightness", saverSettings.Brightness.value);
    WriteNumber(key, "CountNotReplay", saverSettings.CountNotReplay.value);
    WriteNumber(key, "IntensityDeformation", saverSettings.IntensityDeformation.value);
    WriteNumber(key, "Res", res);
    WriteNumber(key, "on3D", on3D);
    WriteNumber(key, "onColor", onColor);
    registryAccess->closeKey(key);
}
