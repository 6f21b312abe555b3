#include "settings/settings.h"

constinit SaverSettings saverSettings = kDefaultSettings;

int16_t ClampToRange(const BoundedSetting& setting)
{
    if (setting.value < setting.min) return setting.min;
    if (setting.value > setting.max) return setting.max;
    return setting.value;
}
