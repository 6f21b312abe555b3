// The frames of a run at one size, drawn as fast as they come, for weighing one
// build against another as whole programs (the 32- and the 64-bit Windows
// builds under Wine, say), side by side in alternating rounds:
//   frame_bench [FRAMES [WIDTH HEIGHT [BITS [QUALITY]]]]   (600 1920 1080 32 40)
// It prints the frames' mean time and a digest of the last frame, which every
// build must print alike.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/run/frames.h"

int main(int argc, char** argv)
{
    const auto arg = [&](int i, long fallback) { return argc > i ? std::strtol(argv[i], nullptr, 10) : fallback; };
    const long count = arg(1, 600);
    const DisplayMode mode = {static_cast<int16_t>(arg(2, 1920)), static_cast<int16_t>(arg(3, 1080)),
                              static_cast<int16_t>(arg(4, 32))};
    SaverSettings settings = kDefaultSettings;
    settings.Quality.value = static_cast<int16_t>(arg(5, 40));

    SaverFrames frames;
    SetUpFrames(frames, settings, {true, 1'700'000'000, 60, 0});
    if (count < 1 || !LayOutFrames(frames, mode)) {
        std::fprintf(stderr, "frame_bench: no frames to draw\n");
        return 1;
    }
    const auto started = std::chrono::steady_clock::now();
    DrawnFrame frame;
    for (long i = 0; i < count; ++i) {
        frame = DrawNextFrame(frames);
        if (i + 1 < count) FinishFrame(frames);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // FNV-1a over the last frame's bytes.
    uint64_t digest = 1469598103934665603u;
    const auto* bytes = static_cast<const unsigned char*>(frame.pixels);
    const size_t size = static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height) * (frame.bitsPerPixel / 8);
    for (size_t i = 0; i < size; ++i) digest = (digest ^ bytes[i]) * 1099511628211u;
    std::printf("%ld frames of %dx%dx%d: %.1f us a frame; last frame %016llx\n", count, mode.width, mode.height,
                mode.bitsPerPixel, seconds * 1e6 / static_cast<double>(count), static_cast<unsigned long long>(digest));
    ReleaseFrames(frames);
    return 0;
}
