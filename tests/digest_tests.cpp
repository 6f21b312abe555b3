// Pictures of table figures reduced to digests. The digests were recorded from the
// native build; the Windows build runs this same test under Wine, which proves
// that both builds compute the same pixels bit for bit.
#include <cstdio>
#include <vector>

#include "core_fixture.h"
#include "ifs/blend.h"
#include "render/plot.h"

namespace {

uint64_t Fnv1a(const void* data, size_t size, uint64_t hash = 14695981039346656037ull)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

struct Case {
    int figure;
    int bits;
    int on3D;
    int width, height;
    int quality;
    uint64_t digest;
};

uint64_t Render(const Case& c, const IfsFigure& figure)
{
    saverSettings.on3D = static_cast<uint8_t>(c.on3D);
    saverSettings.Quality.value = static_cast<int16_t>(c.quality);
    frameWidth = static_cast<int16_t>(c.width);
    frameHeight = static_cast<int16_t>(c.height);
    pixelCount = c.width * c.height;
    MeasureBounds(figure);
    uint64_t hash = Fnv1a(&figureBounds, sizeof figureBounds);
    if (c.bits == 32) {
        std::vector<uint32_t> pixels(pixelCount, 0);
        PlotFigure32(figure, pixels.data());
        return Fnv1a(pixels.data(), pixels.size() * 4, hash);
    }
    std::vector<uint16_t> pixels(pixelCount, 0);
    PlotFigure16(figure, pixels.data());
    return Fnv1a(pixels.data(), pixels.size() * 2, hash);
}

}  // namespace

using DigestTest = CoreTest;

TEST_F(DigestTest, TableFiguresRenderToRecordedDigests)
{
    const Case cases[] = {
        {0, 32, 1, 819, 614, 40, 0x83838b5d26d01937},   {0, 16, 0, 819, 614, 40, 0x569e9014a30ee540},  {6, 32, 0, 640, 480, 300, 0x6311092caebeb79},
        {6, 16, 1, 640, 480, 300, 0xae7adb71e61b675d},  {16, 32, 1, 256, 192, 10, 0x8a417da59e415b47}, {16, 16, 0, 1024, 768, 120, 0x1e4970e857358298},
        {19, 32, 0, 201, 150, 40, 0xe25166c98348e9dd},  {19, 16, 1, 320, 240, 40, 0x51da6e5d1e68ba82},
    };
    channelTint = {-1, 1, -1};
    for (const Case& c : cases) {
        const uint64_t digest = Render(c, FigureTable[c.figure]);
        EXPECT_EQ(digest, c.digest) << "figure " << c.figure << " bits " << c.bits << " on3D " << c.on3D
                                    << std::hex << " got 0x" << digest;
    }
}

// Deformed and blended coefficients exercise every rounding step of the engine.
TEST_F(DigestTest, DeformedBlendsRenderToRecordedDigests)
{
    IfsFigure from = FigureTable[3];
    IfsFigure to = FigureTable[3];
    uint64_t hash = 0;
    for (int call = 0; call < 40; ++call) {
        SetClockTo(1'700'000'000 + call / 3);
        from = to;
        DeformFigure(to, from);
        IfsFigure shown;
        BlendFigures(shown, from, FigureTable[12], 0.015f * static_cast<float>(call));
        hash = Fnv1a(&shown, sizeof shown, hash ? hash : 14695981039346656037ull);
    }
    IfsFigure shown;
    BlendFigures(shown, from, FigureTable[12], 0.5f);
    const Case c = {3, 32, 1, 500, 300, 60, 0};
    hash ^= Render(c, shown);
    EXPECT_EQ(hash, 0xccec3c1cbd47df49ull) << std::hex << " got 0x" << hash;
}
