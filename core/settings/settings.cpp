#include "core/settings/settings.h"

namespace {

int16_t ClampToRange(const BoundedSetting& setting)
{
    if (setting.value < setting.min) return setting.min;
    if (setting.value > setting.max) return setting.max;
    return setting.value;
}

}  // namespace

RunSettings HoldForRun(const SaverSettings& stored)
{
    return {stored.Brightness.value,
            stored.Quality.value,
            stored.LifeTimeOneFig.value,
            ClampToRange(stored.Zoom),
            ClampToRange(stored.IntensityDeformation),
            ClampToRange(stored.CountNotReplay),
            stored.on3D,
            stored.onColor};
}

int16_t SteppedValue(const BoundedSetting& setting, StepDirection direction)
{
    const int32_t value = setting.value;
    if (direction == StepDirection::Right && value <= int32_t{setting.max} - setting.step)
        return static_cast<int16_t>(value + setting.step);
    if (direction == StepDirection::Left && value >= int32_t{setting.min} + setting.step)
        return static_cast<int16_t>(value - setting.step);
    return setting.value;
}
