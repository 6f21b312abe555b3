// Which monitors a saver run covers with a black window of its own: every one
// but the primary, which the full screen takes over.
#pragma once

#include <cstdint>
#include <vector>

// A monitor's area in virtual-screen coordinates; right and bottom are exclusive.
struct ScreenRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
    bool operator==(const ScreenRect&) const = default;
};

// The monitors to cover, in the order listed: each one with an area that is not
// the primary's. Empty areas and areas that overlap the primary (a mirrored or
// duplicated display) are left alone: a black window there would hide the
// picture on the primary.
std::vector<ScreenRect> MonitorsToCover(const std::vector<ScreenRect>& monitors, const ScreenRect& primary);
