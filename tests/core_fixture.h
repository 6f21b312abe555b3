// Resets every piece of process-wide state the core owns, so tests start alike.
#pragma once

#include <gtest/gtest.h>

#include "ifs/chaos.h"
#include "ifs/random_source.h"
#include "render/frame_buffer.h"
#include "render/tint.h"
#include "settings/settings.h"

inline int64_t fixedClockValue = 0;
inline int64_t FixedClock() { return fixedClockValue; }

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saverSettings = kDefaultSettings;
        channelTint = kGreyTint;
        figureBounds = {0.0f, 0.0f, 0.0f, 0.0f};
        SeedRandom(0);
        frameWidth = 0;
        frameHeight = 0;
        pixelCount = 0;
        SetClockTo(1'700'000'000);
    }
    void TearDown() override { SetClock(nullptr); }

    static void SetClockTo(int64_t seconds)
    {
        fixedClockValue = seconds;
        SetClock(FixedClock);
    }

    static void SetFrame(int width, int height)
    {
        frameWidth = static_cast<int16_t>(width);
        frameHeight = static_cast<int16_t>(height);
        pixelCount = frameWidth * frameHeight;
    }
};
