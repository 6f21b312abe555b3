// What a new frame changes on the surface: the pixels the shown frame lit and
// the ones the new frame lights, as a few boxes (compositors merge long damage
// lists into one box around them all, so a handful of tight boxes beats both),
// or as one band of rows.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

struct DamageBox {
    int32_t x, y, width, height;
};

// At most this many boxes: the figure area is cut into bands of rows, and each
// band's box spans the changed columns in it.
constexpr int32_t kDamageBands = 16;

// Boxes in figure-area coordinates (area width x height) covering every index of
// before and after; no box for a band without one. Out-of-area indices are ignored.
void ChangedBoxes(std::span<const int32_t> before, std::span<const int32_t> after, int32_t width, int32_t height,
                  std::vector<DamageBox>& boxes);

// Rows first .. first + count - 1 of the figure area hold every index of before
// and after; count 0 when neither holds one inside the area.
struct RowBand {
    int32_t first;
    int32_t count;
};
RowBand ChangedRows(std::span<const int32_t> before, std::span<const int32_t> after, int32_t width, int32_t height);
