// The settings record: everything the user can adjust, with defaults, bounds and steps.
#pragma once

#include <cstdint>

// One adjustable number. Only value is loaded and saved; min, max and step are the
// program's constants and bound only the dialog's stepping, never loading.
struct BoundedSetting {
    int16_t value;
    int16_t min;
    int16_t max;
    int16_t step;
};

struct SaverSettings {
    BoundedSetting Brightness;
    BoundedSetting Quality;               // each pass iterates 200 * value points
    BoundedSetting LifeTimeOneFig;        // frames a figure is shown before a switch
    BoundedSetting Zoom;                  // figure area in percent of the screen
    BoundedSetting IntensityDeformation;
    BoundedSetting CountNotReplay;        // recent figures a new pick avoids
    int16_t Res;                          // video-mode index, meaningful 0..8
    uint8_t on3D;                         // edge shading ("lighting")
    uint8_t onColor;                      // random colour tint per figure
};

// Defaults sit on each setting's grid min + k * step, so stepping reaches both ends.
constexpr SaverSettings kDefaultSettings = {
    {250, 10, 250, 10},  // Brightness
    {40, 10, 300, 5},    // Quality
    {300, 100, 800, 20}, // LifeTimeOneFig
    {80, 10, 100, 10},   // Zoom
    {5, 1, 10, 1},       // IntensityDeformation
    {5, 0, 20, 1},       // CountNotReplay: 0 switches the no-repeat rule off
    0,                   // Res: the desktop's own mode
    1,                   // on3D
    0,                   // onColor
};

// What a saver run uses of the settings, held for the whole run.
struct RunSettings {
    int16_t Brightness;
    int16_t Quality;
    int16_t LifeTimeOneFig;
    int16_t Zoom;
    int16_t IntensityDeformation;
    int16_t CountNotReplay;
    uint8_t on3D;
    uint8_t onColor;
};

// Stored values reach the program as stored, and the dialog shows them so. A run
// holds the ones whose raw value would break it to the range the dialog offers:
// Zoom 10..100 (an empty or overflowing frame), CountNotReplay 0..20 (a no-repeat
// draw that never ends), IntensityDeformation 1..10 (a step divisor of zero or
// below). The others are taken as they are.
RunSettings HoldForRun(const SaverSettings& stored);

// One arrow step of the dialog: right adds step while the result stays <= max, left
// subtracts it while the result stays >= min; otherwise the value stays. Compared in
// 32 bits so max - step and min + step cannot overflow. Off-grid values keep their offset.
enum class StepDirection { Left, Right };
int16_t SteppedValue(const BoundedSetting& setting, StepDirection direction);
