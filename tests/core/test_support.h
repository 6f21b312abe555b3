// What the core tests share: digests, whole-figure comparison and a run on a
// clock the test sets.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "core/run/saver_run.h"

constexpr int64_t kStart = 1'700'000'000;

inline uint64_t Fnv1a(const void* data, size_t size, uint64_t hash = 14695981039346656037ull)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

inline bool SameFigure(const IfsFigure& a, const IfsFigure& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A run (too large for the stack) whose clock reads *now.
inline std::unique_ptr<SaverRun> MakeRun(const SaverSettings& stored, const int64_t* now)
{
    auto run = std::make_unique<SaverRun>();
    run->settings = HoldForRun(stored);
    run->clock = [now] { return *now; };
    return run;
}

// A frame of the given size and depth over pixels the caller owns.
inline FrameBuffer FrameOver(void* pixels, int width, int height, int bits)
{
    FrameBuffer frame;
    frame.frameWidth = static_cast<int16_t>(width);
    frame.frameHeight = static_cast<int16_t>(height);
    frame.pixelCount = width * height;
    frame.frameBytes = frame.pixelCount * bits / 8;
    frame.bitsPerPixel = static_cast<int16_t>(bits);
    frame.pixels = pixels;
    return frame;
}
