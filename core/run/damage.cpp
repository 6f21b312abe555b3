#include "core/run/damage.h"

#include <algorithm>
#include <climits>

void ChangedBoxes(std::span<const int32_t> before, std::span<const int32_t> after, int32_t width, int32_t height,
                  std::vector<DamageBox>& boxes)
{
    boxes.clear();
    if (width <= 0 || height <= 0) return;
    const int32_t bandRows = (height + kDamageBands - 1) / kDamageBands;
    int32_t left[kDamageBands], right[kDamageBands];  // columns, right exclusive; left > right: empty
    std::fill(left, left + kDamageBands, width);
    std::fill(right, right + kDamageBands, 0);
    const int64_t count = int64_t{width} * height;
    for (std::span<const int32_t> indices : {before, after}) {
        for (const int32_t index : indices) {
            if (index < 0 || index >= count) continue;
            const int32_t band = index / width / bandRows;
            const int32_t column = index % width;
            left[band] = std::min(left[band], column);
            right[band] = std::max(right[band], column + 1);
        }
    }
    for (int32_t band = 0; band < kDamageBands; ++band) {
        if (left[band] >= right[band]) continue;
        const int32_t top = band * bandRows;
        boxes.push_back({left[band], top, right[band] - left[band], std::min(bandRows, height - top)});
    }
}

RowBand ChangedRows(std::span<const int32_t> before, std::span<const int32_t> after, int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0) return {0, 0};
    const int64_t count = int64_t{width} * height;
    int32_t low = INT32_MAX, high = -1;
    for (std::span<const int32_t> indices : {before, after})
        for (const int32_t index : indices) {
            if (index < 0 || index >= count) continue;
            low = std::min(low, index);
            high = std::max(high, index);
        }
    if (high < 0) return {0, 0};
    return {low / width, high / width - low / width + 1};
}
