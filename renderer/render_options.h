// velmora-render's command line: its options, their checks and what they ask
// for, apart from the drawing and the files, for the unit tests and the fuzz target.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/render/tint.h"
#include "core/run/display_mode.h"
#include "core/settings/settings.h"
#include "cli/settings_options.h"
#include "renderer/frame_output.h"

struct RenderRequest {
    bool help = false;  // --help: nothing else is read
    DisplayMode mode = {1024, 768, 32};
    std::optional<int64_t> clock;  // not given: now
    int64_t framesPerSecond = 60;
    int64_t frames = 1;
    int64_t firstFrame = 0;
    std::optional<int> figure;
    ChannelTint tint = kGreyTint;
    FrameOutputs outputs;
    bool quiet = false;
    SaverSettings settings = kDefaultSettings;
};

// The arguments after the program's name; OptionError says what is wrong with them.
RenderRequest ParseRenderCommandLine(const std::vector<std::string>& arguments);

// What --help prints.
std::string RenderHelp();
