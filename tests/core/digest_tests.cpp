// Pictures reduced to digests recorded from the native build. The Windows build
// runs this same test under Wine: both builds compute the same pixels bit for bit.
#include <vector>

#include "core/ifs/blend.h"
#include "test_support.h"

namespace {

struct Case {
    int figure, bits, on3D, width, height, quality;
    uint64_t digest;
};

uint64_t Render(const Case& c, const IfsFigure& figure, ChannelTint tint)
{
    auto tables = std::make_unique<PassTables>();
    const int32_t steps = PassLength(static_cast<int16_t>(c.quality));
    const FigureBounds bounds = MeasureBounds(figure, steps, tables->maps);
    const PlotStyle style = {250, static_cast<uint8_t>(c.on3D), tint};
    const uint64_t hash = Fnv1a(&bounds, sizeof bounds);
    std::vector<uint32_t> pixels(size_t(c.width) * c.height, 0);
    FrameBuffer frame = FrameOver(pixels.data(), c.width, c.height, c.bits);
    PlotFigure(figure, steps, bounds, style, frame, *tables);
    return Fnv1a(pixels.data(), size_t(frame.frameBytes), hash);
}

}  // namespace

TEST(DigestTest, TableFiguresRenderToRecordedDigests)
{
    const Case cases[] = {
        {0, 32, 1, 819, 614, 40, 0x83838b5d26d01937},  {0, 16, 0, 819, 614, 40, 0x569e9014a30ee540},
        {6, 32, 0, 640, 480, 300, 0x6311092caebeb79},  {6, 16, 1, 640, 480, 300, 0xae7adb71e61b675d},
        {16, 32, 1, 256, 192, 10, 0x8a417da59e415b47}, {16, 16, 0, 1024, 768, 120, 0x1e4970e857358298},
        {19, 32, 0, 201, 150, 40, 0xe25166c98348e9dd}, {19, 16, 1, 320, 240, 40, 0x51da6e5d1e68ba82},
    };
    for (const Case& c : cases) {
        const uint64_t digest = Render(c, FigureTable[c.figure], {-1, 1, -1});
        EXPECT_EQ(digest, c.digest) << "figure " << c.figure << " bits " << c.bits << std::hex << " got 0x" << digest;
    }
}

// Deformed and blended coefficients exercise every rounding step of the engine.
TEST(DigestTest, DeformedBlendsRenderToRecordedDigests)
{
    RandomSource random;
    IfsFigure from = FigureTable[3];
    IfsFigure to = FigureTable[3];
    uint64_t hash = 0;
    for (int call = 0; call < 40; ++call) {
        from = to;
        DeformFigure(to, from, 5, random, kStart + call / 3);
        IfsFigure shown;
        BlendFigures(shown, from, FigureTable[12], 0.015f * static_cast<float>(call));
        hash = Fnv1a(&shown, sizeof shown, hash ? hash : 14695981039346656037ull);
    }
    IfsFigure shown;
    BlendFigures(shown, from, FigureTable[12], 0.5f);
    hash ^= Render({3, 32, 1, 500, 300, 60, 0}, shown, kGreyTint);
    EXPECT_EQ(hash, 0xccec3c1cbd47df49ull) << std::hex << " got 0x" << hash;
}
