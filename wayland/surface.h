// One surface the run is shown on, with its own run: the own window, the full
// screen, or the wallpaper of one output. It follows the compositor's configure
// events and the scale of the outputs it is on, and draws a frame when the
// compositor asks for one (frame callback) and the frame rate allows.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <vector>

#include "core/run/frame_pacing.h"
#include "core/run/frames.h"
#include "wayland/buffers.h"
#include "core/run/damage.h"

struct WaylandClient;
struct WaylandOutput;
struct xdg_surface;
struct xdg_toplevel;
struct zwlr_layer_surface_v1;
struct wp_viewport;
struct wp_fractional_scale_v1;

struct SaverSurface {
    WaylandClient* client = nullptr;
    WaylandOutput* output = nullptr;  // the wallpaper's output, or the one asked for in full screen
    wl_surface* surface = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractional = nullptr;
    wl_callback* frameCallback = nullptr;  // asked for with the last commit, not yet done
    std::vector<WaylandOutput*> entered;   // the outputs the surface is on

    // What the compositor asked for, in surface coordinates (a toplevel's size
    // counts once its xdg_surface configure comes).
    int32_t toplevelWidth = 0;
    int32_t toplevelHeight = 0;
    int32_t askedWidth = 0;
    int32_t askedHeight = 0;
    uint32_t configureSerial = 0;
    bool configurePending = false;  // to acknowledge before the next commit
    bool configured = false;
    bool closed = false;            // the compositor has taken it away (the wallpaper's output went)
    uint32_t preferredScale = 0;    // in 120ths, from wp_fractional_scale_v1; 0 before it is known

    // What is shown: buffers in real pixels, their scale, and the lit words of the last frame committed.
    BufferPool pool;
    int32_t bufferScale = 1;         // wl_surface buffer scale; 1 with a viewport
    int32_t shownScale = 0;          // the buffer scale last committed
    bool committed = false;          // a buffer of the current size has been committed
    bool started = false;            // the first frame callback has come: outputs and scale are known
    std::vector<int32_t> shownLit;
    std::vector<DamageBox> boxes;

    // The surface's own run.
    SaverFrames frames;
    bool laidOut = false;            // frames are laid out for the pool's size
    int64_t drawn = 0;
    FramePacer pacer = {};
    int64_t due = 0;
};

// Makes the surface for the client's mode (on output, for full screen or the
// wallpaper; null: the compositor's choice) and commits it without a buffer, so
// that the compositor configures it.
void OpenSaverSurface(WaylandClient& client, SaverSurface& saver, WaylandOutput* output);
void CloseSaverSurface(SaverSurface& saver);

// Shows what is due now: the first black buffer, a new size, the next frame.
// Returns when it wants to be called again at the latest (-1: on an event); sets
// the client's outcome when a frame cannot be made.
int64_t StepSaverSurface(SaverSurface& saver, int64_t now);

// An output has gone: the surface forgets it.
void ForgetOutput(SaverSurface& saver, const WaylandOutput* output);
