// Where velmora-render puts the frames it draws: raw frame words, PNG files of the
// whole screen, and an animated GIF, each from a frame as the run left it right
// after plotting.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/run/display_mode.h"
#include "core/run/frames.h"

struct FrameOutputs {
    std::string rawDirectory;  // DIR/frame-NNNNNN.raw: the area's words, little-endian
    std::string pngDirectory;  // DIR/frame-NNNNNN.png: the screen, 8-bit RGB
    std::string gifFile;       // all written frames as one looping animation
    int gifDelay = 2;          // hundredths of a second per GIF frame
};

struct GifFileType;

// The open outputs of one render.
struct FrameWriter {
    FrameOutputs outputs;
    DisplayMode screen = {0, 0, 0};
    std::vector<uint8_t> screenRgb;  // the whole screen, black outside the figure area
    std::vector<uint8_t> gifLine;    // one row of colour indices
    GifFileType* gif = nullptr;
    bool firstGifFrame = true;
    const DrawnFrame* frame = nullptr;  // the frame being written
};

// Creates the directories and opens the GIF. On failure error tells what and where.
bool OpenFrameOutputs(FrameWriter& writer, const FrameOutputs& outputs, const DisplayMode& screen, std::string& error);
bool WriteFrame(FrameWriter& writer, const DrawnFrame& frame, int64_t frameIndex, std::string& error);
// Finishes the GIF and frees what the outputs hold; safe to call after a failure.
bool CloseFrameOutputs(FrameWriter& writer, std::string& error);

// A 16-bit 5-6-5 word as 8-bit red, green and blue, each field stretched to 0..255.
void Expand565(uint16_t word, uint8_t rgb[3]);
