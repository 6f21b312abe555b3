#include "wayland/surface.h"

#include <malloc.h>

#include <algorithm>
#include <climits>

#include "cli/waiting.h"
#include "wayland/client.h"
#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

WaylandOutput* OutputOf(const WaylandClient& client, const wl_output* handle)
{
    for (const auto& output : client.outputs)
        if (output->output == handle) return output.get();
    return nullptr;
}

void OnEnter(void* data, wl_surface*, wl_output* handle)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    WaylandOutput* output = OutputOf(*saver.client, handle);
    if (output && std::find(saver.entered.begin(), saver.entered.end(), output) == saver.entered.end())
        saver.entered.push_back(output);
}

void OnLeave(void* data, wl_surface*, wl_output* handle)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    std::erase(saver.entered, OutputOf(*saver.client, handle));
}

const wl_surface_listener kSurfaceListener = {OnEnter, OnLeave};

void OnXdgConfigure(void* data, xdg_surface*, uint32_t serial)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    const WaylandRequest& request = *saver.client->request;
    // 0 leaves the size to the client: the own window's, or the one it had.
    if (saver.toplevelWidth > 0) saver.askedWidth = saver.toplevelWidth;
    if (saver.toplevelHeight > 0) saver.askedHeight = saver.toplevelHeight;
    if (saver.askedWidth <= 0) saver.askedWidth = request.width;
    if (saver.askedHeight <= 0) saver.askedHeight = request.height;
    saver.configureSerial = serial;
    saver.configurePending = true;
    saver.configured = true;
}

const xdg_surface_listener kXdgSurfaceListener = {OnXdgConfigure};

void OnToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    saver.toplevelWidth = width;
    saver.toplevelHeight = height;
}

void OnToplevelClose(void* data, xdg_toplevel*) { EndRun(*static_cast<SaverSurface*>(data)->client, Outcome::Stopped); }

void OnToplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void OnToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}

const xdg_toplevel_listener kToplevelListener = {OnToplevelConfigure, OnToplevelClose, OnToplevelBounds,
                                                 OnToplevelCapabilities};

void OnLayerConfigure(void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    saver.askedWidth = static_cast<int32_t>(std::min(width, uint32_t{INT32_MAX}));
    saver.askedHeight = static_cast<int32_t>(std::min(height, uint32_t{INT32_MAX}));
    saver.configureSerial = serial;
    saver.configurePending = true;
    saver.configured = true;
}

void OnLayerClosed(void* data, zwlr_layer_surface_v1*) { static_cast<SaverSurface*>(data)->closed = true; }

const zwlr_layer_surface_v1_listener kLayerListener = {OnLayerConfigure, OnLayerClosed};

void OnPreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale)
{
    static_cast<SaverSurface*>(data)->preferredScale = scale;
}

const wp_fractional_scale_v1_listener kFractionalListener = {OnPreferredScale};

void OnFrameDone(void* data, wl_callback* callback, uint32_t)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    wl_callback_destroy(callback);
    saver.frameCallback = nullptr;
    saver.started = true;
}

const wl_callback_listener kFrameListener = {OnFrameDone};

// The largest scale of the outputs the surface is on; before it is on any, its
// own output's; 1 when none is known.
int32_t IntegerScale(const SaverSurface& saver)
{
    int32_t scale = 0;
    for (const WaylandOutput* output : saver.entered) scale = std::max(scale, output->scale);
    if (scale == 0 && saver.output) scale = saver.output->scale;
    return std::max(scale, 1);
}

// The buffer size in real pixels for the asked size, and the buffer scale. With a
// viewport the buffer is scaled to the asked size (fractional scales).
void FollowSize(SaverSurface& saver)
{
    int64_t width, height;
    int32_t bufferScale = 1;
    if (saver.viewport) {
        const int64_t scale = saver.preferredScale ? saver.preferredScale : 120 * int64_t{IntegerScale(saver)};
        width = (saver.askedWidth * scale + 60) / 120;
        height = (saver.askedHeight * scale + 60) / 120;
    } else {
        bufferScale = IntegerScale(saver);
        width = int64_t{saver.askedWidth} * bufferScale;
        height = int64_t{saver.askedHeight} * bufferScale;
    }
    width = std::clamp<int64_t>(width, 1, 32767);
    height = std::clamp<int64_t>(height, 1, 32767);
    if (width == saver.pool.width && height == saver.pool.height && bufferScale == saver.bufferScale) return;
    DropBuffers(saver.pool);
    saver.pool.width = static_cast<int32_t>(width);
    saver.pool.height = static_cast<int32_t>(height);
    saver.bufferScale = bufferScale;
    saver.committed = false;
    saver.laidOut = false;
    saver.shownLit.clear();
}

// Attaches the buffer with its damage (none given: all of it) and asks to be
// told when to draw the next frame.
void Commit(SaverSurface& saver, ShmBuffer& buffer, const std::vector<DamageBox>* boxes, int32_t offsetX,
            int32_t offsetY)
{
    if (!saver.committed) {  // a new size or scale
        if (saver.viewport) wp_viewport_set_destination(saver.viewport, saver.askedWidth, saver.askedHeight);
        if (saver.shownScale != saver.bufferScale) wl_surface_set_buffer_scale(saver.surface, saver.bufferScale);
        saver.shownScale = saver.bufferScale;
    }
    wl_surface_attach(saver.surface, buffer.buffer, 0, 0);
    if (boxes) {
        for (const DamageBox& box : *boxes)
            wl_surface_damage_buffer(saver.surface, offsetX + box.x, offsetY + box.y, box.width, box.height);
    } else {
        wl_surface_damage_buffer(saver.surface, 0, 0, INT32_MAX, INT32_MAX);
    }
    saver.frameCallback = wl_surface_frame(saver.surface);
    wl_callback_add_listener(saver.frameCallback, &kFrameListener, &saver);
    wl_surface_commit(saver.surface);
    buffer.busy = true;
    saver.committed = true;
}

// A black buffer of the current size, for a surface that shows no frame (yet).
void CommitBlack(SaverSurface& saver)
{
    std::string error;
    ShmBuffer* buffer = IdleBuffer(saver.pool, error);
    if (!buffer) {
        if (!error.empty()) EndRun(*saver.client, Outcome::Failed, error);
        return;  // else every buffer is busy: again after a release
    }
    if (!buffer->lit.empty()) {  // it holds a frame of the current layout
        DrawnFrame none = CurrentFrame(saver.frames);
        none.lit = {};
        PutFrame(*buffer, saver.pool.width, none);
    }
    saver.shownLit.clear();
    Commit(saver, *buffer, nullptr, 0, 0);
}

bool LayOut(SaverSurface& saver)
{
    const DisplayMode mode = {static_cast<int16_t>(saver.pool.width), static_cast<int16_t>(saver.pool.height), 32};
    if (!LayOutFrames(saver.frames, mode)) {
        const DrawnFrame area = CurrentFrame(saver.frames);
        EndRun(*saver.client, Outcome::Failed,
               "not enough memory for a " + std::to_string(area.width) + " x " + std::to_string(area.height) +
                   " frame");
        return false;
    }
    saver.laidOut = true;
    malloc_trim(0);  // the old size's blocks back to the system, as the X11 saver does
    return true;
}

}  // namespace

void OpenSaverSurface(WaylandClient& client, SaverSurface& saver, WaylandOutput* output)
{
    const WaylandRequest& request = *client.request;
    saver.client = &client;
    saver.output = output;
    saver.pool.shm = client.shm;
    SetUpFrames(saver.frames, request.settings, request.clock);
    saver.due = MonotonicNow();
    StartPacingPeriod(saver.pacer, kTicksPerSecond / request.framesPerSecond, saver.due);

    saver.surface = wl_compositor_create_surface(client.compositor);
    wl_surface_add_listener(saver.surface, &kSurfaceListener, &saver);
    if (client.viewporter && client.fractionalScale) {
        saver.viewport = wp_viewporter_get_viewport(client.viewporter, saver.surface);
        saver.fractional = wp_fractional_scale_manager_v1_get_fractional_scale(client.fractionalScale, saver.surface);
        wp_fractional_scale_v1_add_listener(saver.fractional, &kFractionalListener, &saver);
    }
    if (request.mode == WaylandMode::Wallpaper) {
        saver.layer = zwlr_layer_shell_v1_get_layer_surface(client.layerShell, saver.surface, output->output,
                                                            ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND, "wallpaper");
        zwlr_layer_surface_v1_add_listener(saver.layer, &kLayerListener, &saver);
        zwlr_layer_surface_v1_set_anchor(saver.layer,
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                             ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(saver.layer, 0, 0);         // the whole output
        zwlr_layer_surface_v1_set_exclusive_zone(saver.layer, -1);  // under panels too
        zwlr_layer_surface_v1_set_keyboard_interactivity(saver.layer,
                                                         ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
        wl_region* nothing = wl_compositor_create_region(client.compositor);  // no pointer or touch either
        wl_surface_set_input_region(saver.surface, nothing);
        wl_region_destroy(nothing);
    } else {
        saver.xdgSurface = xdg_wm_base_get_xdg_surface(client.wmBase, saver.surface);
        xdg_surface_add_listener(saver.xdgSurface, &kXdgSurfaceListener, &saver);
        saver.toplevel = xdg_surface_get_toplevel(saver.xdgSurface);
        xdg_toplevel_add_listener(saver.toplevel, &kToplevelListener, &saver);
        xdg_toplevel_set_title(saver.toplevel, "Velmora");
        xdg_toplevel_set_app_id(saver.toplevel, "velmora");
        if (request.mode == WaylandMode::Fullscreen)
            xdg_toplevel_set_fullscreen(saver.toplevel, output ? output->output : nullptr);
    }
    wl_surface_commit(saver.surface);
}

void CloseSaverSurface(SaverSurface& saver)
{
    Drop(saver.frameCallback, wl_callback_destroy);
    Drop(saver.fractional, wp_fractional_scale_v1_destroy);
    Drop(saver.viewport, wp_viewport_destroy);
    Drop(saver.layer, zwlr_layer_surface_v1_destroy);
    Drop(saver.toplevel, xdg_toplevel_destroy);
    Drop(saver.xdgSurface, xdg_surface_destroy);
    Drop(saver.surface, wl_surface_destroy);
    DropBuffers(saver.pool);
    ReleaseFrames(saver.frames);
    saver.entered.clear();
}

void ForgetOutput(SaverSurface& saver, const WaylandOutput* output)
{
    std::erase(saver.entered, output);
    if (saver.output == output) saver.output = nullptr;
}

int64_t StepSaverSurface(SaverSurface& saver, int64_t now)
{
    WaylandClient& client = *saver.client;
    if (!saver.configured || saver.closed || !saver.surface) return -1;
    if (saver.configurePending) {
        if (saver.layer)
            zwlr_layer_surface_v1_ack_configure(saver.layer, saver.configureSerial);
        else
            xdg_surface_ack_configure(saver.xdgSurface, saver.configureSerial);
        saver.configurePending = false;
        FollowSize(saver);
        if (saver.committed) wl_surface_commit(saver.surface);  // the size stays: the shown buffer answers it
    }
    FollowSize(saver);  // the outputs' scale may have changed too
    if (saver.frameCallback) return -1;  // the compositor has not asked for the next frame yet

    const int64_t limit = client.request->frameLimit;
    if (!saver.started || (limit > 0 && saver.drawn >= limit)) {
        if (!saver.committed) CommitBlack(saver);
        return -1;
    }
    if (now < saver.due) return saver.due;
    if (!saver.laidOut && !LayOut(saver)) return -1;
    const DrawnFrame area = CurrentFrame(saver.frames);
    if (area.width <= 0 || area.height <= 0) {  // nothing to show in so small a surface
        if (!saver.committed) CommitBlack(saver);
        return -1;
    }
    std::string error;
    ShmBuffer* buffer = IdleBuffer(saver.pool, error);
    if (!buffer) {
        if (!error.empty()) EndRun(client, Outcome::Failed, error);
        return -1;  // every buffer is busy: the frame waits for a release
    }
    const DrawnFrame frame = DrawNextFrame(saver.frames);
    if (!frame.unchanged || !saver.committed) {  // an unchanged picture is on the screen already
        PutFrame(*buffer, saver.pool.width, frame);
        const bool wholeSurface = !saver.committed;
        if (!wholeSurface) ChangedBoxes(saver.shownLit, frame.lit, frame.width, frame.height, saver.boxes);
        saver.shownLit.assign(frame.lit.begin(), frame.lit.end());
        Commit(saver, *buffer, wholeSurface ? nullptr : &saver.boxes, frame.offsetX, frame.offsetY);
    }
    FinishFrame(saver.frames);
    ++saver.drawn;
    saver.due = now + TicksToWait(saver.pacer, now);
    return saver.frameCallback ? -1 : saver.due;
}
