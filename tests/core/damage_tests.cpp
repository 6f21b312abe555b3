// The damage of a frame must cover every pixel the shown frame lit and every
// pixel the new one lights (a pixel left out stays stale on the screen), with
// few boxes that stay inside the figure area.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/run/damage.h"

namespace {

bool Covered(const std::vector<DamageBox>& boxes, int32_t x, int32_t y)
{
    for (const DamageBox& box : boxes)
        if (x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height) return true;
    return false;
}

struct DamageCase {
    const char* name;
    int32_t width, height;
    int count;  // random indices in each frame
};

TEST(Damage, BoxesCoverBothFramesInsideTheArea)
{
    const DamageCase cases[] = {
        {"typical", 512, 384, 3000}, {"rows fewer than bands", 40, 7, 30}, {"one column", 1, 100, 20},
        {"odd band remainder", 33, 49, 200}, {"one pixel each", 64, 64, 1}, {"nothing lit", 64, 64, 0},
    };
    std::mt19937 random(7);
    for (const DamageCase& c : cases) {
        std::uniform_int_distribution<int32_t> index(0, c.width * c.height - 1);
        std::vector<int32_t> before, after;
        for (int i = 0; i < c.count; ++i) before.push_back(index(random)), after.push_back(index(random));
        std::vector<DamageBox> boxes;
        ChangedBoxes(before, after, c.width, c.height, boxes);
        EXPECT_LE(boxes.size(), static_cast<size_t>(kDamageBands)) << c.name;
        EXPECT_EQ(boxes.empty(), c.count == 0) << c.name;
        for (const DamageBox& box : boxes) {
            EXPECT_TRUE(box.x >= 0 && box.y >= 0 && box.width > 0 && box.height > 0) << c.name;
            EXPECT_TRUE(box.x + box.width <= c.width && box.y + box.height <= c.height) << c.name;
        }
        for (const auto* frame : {&before, &after})
            for (const int32_t i : *frame)
                ASSERT_TRUE(Covered(boxes, i % c.width, i / c.width)) << c.name << ": pixel " << i;
    }
}

TEST(Damage, IndicesOutsideTheAreaAreIgnored)
{
    std::vector<DamageBox> boxes;
    const std::vector<int32_t> outside = {-1, 100, 1 << 30};
    ChangedBoxes(outside, {}, 10, 10, boxes);
    EXPECT_TRUE(boxes.empty());
    ChangedBoxes(std::vector<int32_t>{55}, {}, 10, 10, boxes);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(Covered(boxes, 5, 5));
}

}  // namespace
