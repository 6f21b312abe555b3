#include "wayland/surface.h"

#include <malloc.h>

#include <algorithm>
#include <climits>

#include "cli/waiting.h"
#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
#ifdef VELMORA_LIBDECOR
#include <libdecor.h>
#endif

namespace {

void OnEnter(void* data, wl_surface*, wl_output* handle)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    WaylandOutput* output = OutputOf(handle);
    if (output && std::find(saver.entered.begin(), saver.entered.end(), output) == saver.entered.end())
        saver.entered.push_back(output);
}

void OnLeave(void* data, wl_surface*, wl_output* handle)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    if (WaylandOutput* output = OutputOf(handle)) std::erase(saver.entered, output);
}

const wl_surface_listener kSurfaceListener = {OnEnter, OnLeave};

// The first end stays.
void End(SaverSurface& saver, SurfaceStage stage, const std::string& error = {})
{
    if (SurfaceEnded(saver)) return;
    saver.stage = stage;
    saver.error = error;
}

// The frames for the buffers' size; false (the surface failed) without the memory for them.
bool LayOut(SaverSurface& saver)
{
    const DisplayMode mode = {ModeSide(saver.pool.width), ModeSide(saver.pool.height), 32};
    if (!LayOutFrames(saver.frames, mode)) {
        End(saver, SurfaceStage::Failed, NoMemoryMessage(saver.frames));
        return false;
    }
    malloc_trim(0);  // the old size's blocks back to the system, as the X11 saver does
    return true;
}

void OnXdgConfigure(void* data, xdg_surface*, uint32_t serial)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    const WaylandRequest& request = *saver.request;
    // 0 leaves the size to the client: the own window's, or the one it had.
    if (saver.toplevelWidth > 0) saver.askedWidth = saver.toplevelWidth;
    if (saver.toplevelHeight > 0) saver.askedHeight = saver.toplevelHeight;
    if (saver.askedWidth <= 0) saver.askedWidth = request.width;
    if (saver.askedHeight <= 0) saver.askedHeight = request.height;
    saver.unanswered = serial;
    if (saver.stage == SurfaceStage::Unconfigured) saver.stage = SurfaceStage::Configured;
}

const xdg_surface_listener kXdgSurfaceListener = {OnXdgConfigure};

void OnToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    saver.toplevelWidth = width;
    saver.toplevelHeight = height;
}

void OnToplevelClose(void* data, xdg_toplevel*) { End(*static_cast<SaverSurface*>(data), SurfaceStage::Closed); }

void OnToplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void OnToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}

const xdg_toplevel_listener kToplevelListener = {OnToplevelConfigure, OnToplevelClose, OnToplevelBounds,
                                                 OnToplevelCapabilities};

void OnLayerConfigure(void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    saver.askedWidth = static_cast<int32_t>(std::min(width, uint32_t{INT32_MAX}));
    saver.askedHeight = static_cast<int32_t>(std::min(height, uint32_t{INT32_MAX}));
    saver.unanswered = serial;
    if (saver.stage == SurfaceStage::Unconfigured) saver.stage = SurfaceStage::Configured;
}

void OnLayerClosed(void* data, zwlr_layer_surface_v1*) { End(*static_cast<SaverSurface*>(data), SurfaceStage::Gone); }

const zwlr_layer_surface_v1_listener kLayerListener = {OnLayerConfigure, OnLayerClosed};

#ifdef VELMORA_LIBDECOR
// The own window through libdecor, which acknowledges the configure as the state
// is committed; the size is the client's when the configure leaves it open.
void OnFrameConfigure(libdecor_frame* frame, libdecor_configuration* configuration, void* data)
{
    auto& saver = *static_cast<SaverSurface*>(data);
    int width = 0, height = 0;
    if (!libdecor_configuration_get_content_size(configuration, frame, &width, &height) || width <= 0 ||
        height <= 0) {
        width = saver.askedWidth > 0 ? saver.askedWidth : saver.request->width;
        height = saver.askedHeight > 0 ? saver.askedHeight : saver.request->height;
    }
    saver.askedWidth = width;
    saver.askedHeight = height;
    libdecor_state* state = libdecor_state_new(width, height);
    libdecor_frame_commit(frame, state, configuration);
    libdecor_state_free(state);
    saver.unanswered = 0;  // nothing left to acknowledge: the new size is taken at the next step
    if (saver.stage == SurfaceStage::Unconfigured) saver.stage = SurfaceStage::Configured;
}

void OnFrameClose(libdecor_frame*, void* data) { End(*static_cast<SaverSurface*>(data), SurfaceStage::Closed); }
void OnFrameCommit(libdecor_frame*, void* data) { wl_surface_commit(static_cast<SaverSurface*>(data)->surface); }
void OnDismissPopup(libdecor_frame*, const char*, void*) {}

libdecor_frame_interface FrameInterface()
{
    libdecor_frame_interface calls = {};
    calls.configure = OnFrameConfigure;
    calls.close = OnFrameClose;
    calls.commit = OnFrameCommit;
    calls.dismiss_popup = OnDismissPopup;
    return calls;
}
libdecor_frame_interface kFrameInterface = FrameInterface();

bool Decorate(SaverSurface& saver, const WaylandGlobals& globals)
{
    if (!globals.decor) return false;
    saver.frame = libdecor_decorate(globals.decor, saver.surface, &kFrameInterface, &saver);
    libdecor_frame_set_title(saver.frame, "Velmora");
    libdecor_frame_set_app_id(saver.frame, "velmora");
    libdecor_frame_map(saver.frame);
    return true;
}
#else
bool Decorate(SaverSurface&, const WaylandGlobals&) { return false; }
#endif

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
    if (saver.stage == SurfaceStage::Configured) {  // outputs and scale are known now: the run begins
        saver.stage = SurfaceStage::Drawing;
        LayOut(saver);
    }
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
    width = ModeSide(width);
    height = ModeSide(height);
    if (width == saver.pool.width && height == saver.pool.height && bufferScale == saver.bufferScale) return;
    DropBuffers(saver.pool);
    saver.pool.width = static_cast<int32_t>(width);
    saver.pool.height = static_cast<int32_t>(height);
    saver.bufferScale = bufferScale;
    if (saver.stage == SurfaceStage::Drawing) LayOut(saver);
}

// A buffer of the current size and scale is on the screen.
bool Shown(const SaverSurface& saver)
{
    return saver.shownWidth == saver.pool.width && saver.shownHeight == saver.pool.height &&
           saver.shownScale == saver.bufferScale;
}

// Attaches the buffer with its damage (none given: all of it) and asks to be
// told when to draw the next frame.
void Commit(SaverSurface& saver, ShmBuffer& buffer, const std::vector<DamageBox>* boxes, int32_t offsetX,
            int32_t offsetY)
{
    const bool mapping = saver.shownScale == 0;  // the first buffer maps the surface
    if (!Shown(saver)) {  // a new size or scale
        if (saver.viewport) wp_viewport_set_destination(saver.viewport, saver.askedWidth, saver.askedHeight);
        if (saver.shownScale != saver.bufferScale) wl_surface_set_buffer_scale(saver.surface, saver.bufferScale);
        saver.shownWidth = saver.pool.width;
        saver.shownHeight = saver.pool.height;
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
    // sway 1.7 puts a toplevel that asks for full screen before it is mapped on
    // the focused output, whichever it named; asked again once mapped, it goes there.
    if (mapping && saver.toplevel && saver.output && saver.request->mode != WaylandMode::Window)
        xdg_toplevel_set_fullscreen(saver.toplevel, saver.output->output);
}

// A black buffer of the current size, for a surface that shows no frame (yet).
void CommitBlack(SaverSurface& saver)
{
    std::string error;
    ShmBuffer* buffer = IdleBuffer(saver.pool, error);
    if (!buffer) {
        if (!error.empty()) End(saver, SurfaceStage::Failed, error);
        return;  // else every buffer is busy: again after a release
    }
    if (!buffer->lit.empty()) {  // it holds a frame of the current layout
        DrawnFrame none = CurrentFrame(saver.frames);
        none.lit = {};
        PutFrame(*buffer, saver.pool.width, none);
    }
    Commit(saver, *buffer, nullptr, 0, 0);
}


// Acknowledges the last configure and takes its size; a size that stays is
// answered by the buffer shown.
void AnswerConfigure(SaverSurface& saver)
{
    if (!saver.unanswered) return;
    if (saver.layer)
        zwlr_layer_surface_v1_ack_configure(saver.layer, *saver.unanswered);
    else if (saver.xdgSurface)
        xdg_surface_ack_configure(saver.xdgSurface, *saver.unanswered);
    saver.unanswered.reset();
    FollowSize(saver);
    if (Shown(saver)) wl_surface_commit(saver.surface);
}

// Draws the next frame and commits what changed; returns when the next one is due (-1: on an event).
int64_t DrawFrame(SaverSurface& saver, int64_t now)
{
    const DrawnFrame area = CurrentFrame(saver.frames);
    if (area.width <= 0 || area.height <= 0) {  // nothing to show in so small a surface
        if (!Shown(saver)) CommitBlack(saver);
        return -1;
    }
    std::string error;
    ShmBuffer* buffer = IdleBuffer(saver.pool, error);
    if (!buffer) {
        if (!error.empty()) End(saver, SurfaceStage::Failed, error);
        return -1;  // every buffer is busy: the frame waits for a release
    }
    const DrawnFrame frame = DrawNextFrame(saver.frames);
    const bool wholeSurface = !Shown(saver);
    if (!frame.unchanged || wholeSurface) {  // an unchanged picture is on the screen already
        PutFrame(*buffer, saver.pool.width, frame);
        if (!wholeSurface) ChangedBoxes(frame.previousLit, frame.lit, frame.width, frame.height, saver.boxes);
        Commit(saver, *buffer, wholeSurface ? nullptr : &saver.boxes, frame.offsetX, frame.offsetY);
    }
    FinishFrame(saver.frames);
    saver.due = NextFrameDue(saver.frames, now);
    return saver.frameCallback ? -1 : saver.due;
}

}  // namespace

void OpenSaverSurface(SaverSurface& saver, const WaylandGlobals& globals, const WaylandRequest& request,
                      WaylandOutput* output)
{
    saver.request = &request;
    saver.output = output;
    saver.pool.shm = globals.shm;
    SetUpFrames(saver.frames, request.settings, request.clock,
                request.frameLimit > 0 ? request.frameLimit : kNoFrameLimit);
    saver.due = MonotonicNow();
    StartFramePacing(saver.frames, kTicksPerSecond / request.framesPerSecond, saver.due);

    saver.surface = wl_compositor_create_surface(globals.compositor);
    wl_surface_add_listener(saver.surface, &kSurfaceListener, &saver);
    if (globals.viewporter && globals.fractionalScale) {
        saver.viewport = wp_viewporter_get_viewport(globals.viewporter, saver.surface);
        saver.fractional = wp_fractional_scale_manager_v1_get_fractional_scale(globals.fractionalScale, saver.surface);
        wp_fractional_scale_v1_add_listener(saver.fractional, &kFractionalListener, &saver);
    }
    if (request.mode == WaylandMode::Wallpaper) {
        saver.layer = zwlr_layer_shell_v1_get_layer_surface(globals.layerShell, saver.surface, output->output,
                                                            ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND, "wallpaper");
        zwlr_layer_surface_v1_add_listener(saver.layer, &kLayerListener, &saver);
        zwlr_layer_surface_v1_set_anchor(saver.layer,
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                             ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(saver.layer, 0, 0);         // the whole output
        zwlr_layer_surface_v1_set_exclusive_zone(saver.layer, -1);  // under panels too
        zwlr_layer_surface_v1_set_keyboard_interactivity(saver.layer,
                                                         ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
        wl_region* nothing = wl_compositor_create_region(globals.compositor);  // no pointer or touch either
        wl_surface_set_input_region(saver.surface, nothing);
        wl_region_destroy(nothing);
    } else if (request.mode == WaylandMode::Window && Decorate(saver, globals)) {
        return;  // libdecor commits the surface as it maps it
    } else {
        saver.xdgSurface = xdg_wm_base_get_xdg_surface(globals.wmBase, saver.surface);
        xdg_surface_add_listener(saver.xdgSurface, &kXdgSurfaceListener, &saver);
        saver.toplevel = xdg_surface_get_toplevel(saver.xdgSurface);
        xdg_toplevel_add_listener(saver.toplevel, &kToplevelListener, &saver);
        xdg_toplevel_set_title(saver.toplevel, "Velmora");
        xdg_toplevel_set_app_id(saver.toplevel, "velmora");
        if (request.mode == WaylandMode::Window && globals.decorations) {  // a title bar and borders from the compositor
            saver.decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(globals.decorations, saver.toplevel);
            zxdg_toplevel_decoration_v1_set_mode(saver.decoration, ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
        }
        if (request.mode != WaylandMode::Window)
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
    Drop(saver.decoration, zxdg_toplevel_decoration_v1_destroy);
#ifdef VELMORA_LIBDECOR
    Drop(saver.frame, libdecor_frame_unref);
#endif
    Drop(saver.toplevel, xdg_toplevel_destroy);
    Drop(saver.xdgSurface, xdg_surface_destroy);
    Drop(saver.surface, wl_surface_destroy);
    DropBuffers(saver.pool);
    ReleaseFrames(saver.frames);
    saver.entered.clear();
}

bool SurfaceEnded(const SaverSurface& saver)
{
    return saver.stage == SurfaceStage::Gone || saver.stage == SurfaceStage::Closed ||
           saver.stage == SurfaceStage::Failed;
}

void ForgetOutput(SaverSurface& saver, const WaylandOutput* output)
{
    std::erase(saver.entered, output);
    if (saver.output == output) saver.output = nullptr;
}

int64_t StepSaverSurface(SaverSurface& saver, int64_t now)
{
    if (saver.stage == SurfaceStage::Unconfigured || SurfaceEnded(saver)) return -1;
    AnswerConfigure(saver);
    FollowSize(saver);  // the outputs' scale may have changed too
    if (saver.frameCallback || SurfaceEnded(saver)) return -1;  // the compositor has not asked for the next frame yet
    if (saver.stage != SurfaceStage::Drawing || !FramesLeft(saver.frames)) {
        if (!Shown(saver)) CommitBlack(saver);
        return -1;
    }
    // Woken by the compositor's frame callback, or by the wait for the deadline.
    if (!FrameDue(saver.frames, now)) return saver.due;
    return DrawFrame(saver, now);
}
