#include "core/settings/persistence.h"

#include "core/settings/setting_table.h"

#include <cstdio>
#include <cstring>
#include <iterator>

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

// The order of the reads counts: the first five reset the buffer and the offered
// size after a success; from then on a successful read's size is what the next
// read is offered.
constexpr SettingId kReadOrder[] = {SettingId::LifeTimeOneFig, SettingId::Zoom, SettingId::Quality,
                                    SettingId::Brightness, SettingId::CountNotReplay, SettingId::IntensityDeformation};
constexpr int kReadsThatReset = 5;
constexpr SettingId kWriteOrder[] = {SettingId::Zoom, SettingId::Quality, SettingId::LifeTimeOneFig,
                                     SettingId::Brightness, SettingId::CountNotReplay, SettingId::IntensityDeformation};

void LoadSettings(const RegistryAccess& registry, SaverSettings& settings)
{
    void* key = nullptr;
    if (!registry.openKey(kSettingsKey, &key) && !registry.openKey(kFallbackKey, &key)) return;

    ReadState state;
    int32_t number;
    for (int i = 0; i < static_cast<int>(std::size(kReadOrder)); ++i) {
        if (!ReadValue(registry, key, EntryOf(kReadOrder[i]).valueName, state, number)) continue;
        SetSettingValue(settings, kReadOrder[i], number);  // the low 16 bits, as stored
        if (i < kReadsThatReset) {
            std::memset(state.buffer, ' ', kOfferedSize);
            state.offered = kOfferedSize;
        }
    }
    if (ReadValue(registry, key, "Res", state, number)) settings.Res = static_cast<int16_t>(number);
    for (const SettingId flag : {SettingId::on3D, SettingId::onColor})  // on for any nonzero value
        if (ReadValue(registry, key, EntryOf(flag).valueName, state, number)) SetSettingValue(settings, flag, number);
    registry.closeKey(key);
}

void SaveSettings(const RegistryAccess& registry, const SaverSettings& settings, int res, int on3D, int onColor)
{
    void* key = nullptr;
    if (!registry.openKey(kSettingsKey, &key) && !registry.createKey(kSettingsKey, &key))
        return;  // nothing can be written; saving reports no failure
    for (const SettingId id : kWriteOrder) WriteNumber(registry, key, EntryOf(id).valueName, SettingValue(settings, id));
    WriteNumber(registry, key, "Res", res);
    WriteNumber(registry, key, EntryOf(SettingId::on3D).valueName, on3D);
    WriteNumber(registry, key, EntryOf(SettingId::onColor).valueName, onColor);
    registry.closeKey(key);
}
