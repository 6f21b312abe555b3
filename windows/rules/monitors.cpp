#include "windows/rules/monitors.h"

namespace {

bool IsEmpty(const ScreenRect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Overlap(const ScreenRect& a, const ScreenRect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

std::vector<ScreenRect> MonitorsToCover(const std::vector<ScreenRect>& monitors, const ScreenRect& primary)
{
    std::vector<ScreenRect> cover;
    for (const ScreenRect& monitor : monitors)
        if (!IsEmpty(monitor) && !Overlap(monitor, primary)) cover.push_back(monitor);
    return cover;
}
