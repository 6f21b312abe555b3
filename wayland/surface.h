// One surface the run is shown on, with its own run: the own window, the full
// screen of one output, or the wallpaper of one output. It follows the
// compositor's configure events and the scale of the outputs it is on, draws a
// frame when the compositor asks for one (frame callback) and the frame rate
// allows, and records its own end.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/run/damage.h"
#include "core/run/frame_pacing.h"
#include "core/run/frames.h"
#include "wayland/buffers.h"
#include "wayland/output.h"
#include "wayland/saver.h"

struct xdg_wm_base;
struct xdg_surface;
struct xdg_toplevel;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct zxdg_decoration_manager_v1;
struct zxdg_toplevel_decoration_v1;
struct libdecor;
struct libdecor_frame;

// The compositor's globals a surface is made with (null: not offered).
struct WaylandGlobals {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* wmBase = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    wp_viewporter* viewporter = nullptr;
    wp_fractional_scale_manager_v1* fractionalScale = nullptr;
    zxdg_decoration_manager_v1* decorations = nullptr;
    libdecor* decor = nullptr;  // the own window's decorations, drawn by libdecor where the compositor draws none
};

enum class SurfaceStage {
    Unconfigured,  // made; waits for the compositor's first configure
    Configured,    // has its size and shows black until the first frame callback (by then outputs and scale are known)
    Drawing,       // draws the run
    Gone,          // the compositor has taken it away (the wallpaper's output went)
    Closed,        // the compositor asked to close it (the own window's close button)
    Failed,        // no memory for a buffer or a frame: error says why
};

struct SaverSurface {
    const WaylandRequest* request = nullptr;
    WaylandOutput* output = nullptr;  // the output it covers; null: the compositor's choice
    SurfaceStage stage = SurfaceStage::Unconfigured;
    std::string error;
    wl_surface* surface = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zxdg_toplevel_decoration_v1* decoration = nullptr;
    libdecor_frame* frame = nullptr;  // the own window as libdecor decorates it (instead of xdgSurface and toplevel)
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
    std::optional<uint32_t> unanswered;  // a configure to answer at the next commit (libdecor acknowledges its own)
    uint32_t preferredScale = 0;         // in 120ths, from wp_fractional_scale_v1; 0 before it is known

    // What is shown: buffers in real pixels and their scale.
    BufferPool pool;
    int32_t bufferScale = 1;  // wl_surface buffer scale; 1 with a viewport
    int32_t shownWidth = 0;   // the buffer last committed, in real pixels, and its scale
    int32_t shownHeight = 0;
    int32_t shownScale = 0;
    std::vector<DamageBox> boxes;

    // The surface's own run.
    SaverFrames frames;
    int64_t due = 0;  // of the next frame
};

// Makes the surface for the request's mode (on output, for full screen or the
// wallpaper; null: the compositor's choice) and commits it without a buffer, so
// that the compositor configures it.
void OpenSaverSurface(SaverSurface& saver, const WaylandGlobals& globals, const WaylandRequest& request,
                      WaylandOutput* output);
void CloseSaverSurface(SaverSurface& saver);

// Whether the surface has ended (taken away, closed or failed).
bool SurfaceEnded(const SaverSurface& saver);

// Shows what is due now: the first black buffer, a new size, the next frame.
// Returns when it wants to be called again at the latest (-1: on an event).
int64_t StepSaverSurface(SaverSurface& saver, int64_t now);

// An output has gone: the surface forgets it.
void ForgetOutput(SaverSurface& saver, const WaylandOutput* output);
