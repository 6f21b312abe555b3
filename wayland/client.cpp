#include "wayland/client.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
#include "cli/command_line.h"

namespace {

// Events the saver has no use for.
template <typename... Args>
void Ignore(void*, Args...)
{
}

bool FullScreen(const WaylandClient& client) { return client.request->mode == WaylandMode::Fullscreen; }

// ---- Input: in full screen any of it ends the run; in the own window q and Escape do.

void EndOnInput(WaylandClient& client)
{
    if (FullScreen(client)) EndRun(client, Outcome::Stopped);
}

// A movement of more than 2 pixels from where the pointer first entered ends the
// run; smaller ones (a table that shakes) do not, however many there are. An
// entry counts as a movement too: a pointer device that has just appeared may
// have moved before the run had its wl_pointer.
void PointerAt(WaylandSeat& seat, wl_fixed_t x, wl_fixed_t y)
{
    const double atX = wl_fixed_to_double(x), atY = wl_fixed_to_double(y);
    if (!seat.pointerPlaced) {
        seat.pointerPlaced = true;
        seat.firstX = atX;
        seat.firstY = atY;
    } else if (std::fabs(atX - seat.firstX) > 2.0 || std::fabs(atY - seat.firstY) > 2.0) {
        EndRun(*seat.client, Outcome::Stopped);
    }
}

void OnPointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface*, wl_fixed_t x, wl_fixed_t y)
{
    auto& seat = *static_cast<WaylandSeat*>(data);
    if (!FullScreen(*seat.client)) return;
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no pointer over the saver
    PointerAt(seat, x, y);
}

void OnPointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    auto& seat = *static_cast<WaylandSeat*>(data);
    if (FullScreen(*seat.client)) PointerAt(seat, x, y);
}

void OnPointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state)
{
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) EndOnInput(*static_cast<WaylandSeat*>(data)->client);
}

void OnPointerAxis(void* data, wl_pointer*, uint32_t, uint32_t, wl_fixed_t)
{
    EndOnInput(*static_cast<WaylandSeat*>(data)->client);  // a wheel turned is a button pressed
}

const wl_pointer_listener kPointerListener = {
    OnPointerEnter, Ignore<wl_pointer*, uint32_t, wl_surface*>, OnPointerMotion, OnPointerButton, OnPointerAxis,
    Ignore<wl_pointer*>, Ignore<wl_pointer*, uint32_t>, Ignore<wl_pointer*, uint32_t, uint32_t>,
    Ignore<wl_pointer*, uint32_t, int32_t>, Ignore<wl_pointer*, uint32_t, int32_t>,
};

void DropKeymap(WaylandSeat& seat)
{
    Drop(seat.keys, xkb_state_unref);
    Drop(seat.keymap, xkb_keymap_unref);
}

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
{
    auto& seat = *static_cast<WaylandSeat*>(data);
    DropKeymap(seat);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && seat.client->xkb && size > 0) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            seat.keymap = xkb_keymap_new_from_buffer(seat.client->xkb, static_cast<const char*>(text),
                                                     strnlen(static_cast<const char*>(text), size),
                                                     XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(text, size);
        }
        if (seat.keymap) seat.keys = xkb_state_new(seat.keymap);
    }
    close(fd);
}

void KeyPressed(WaylandSeat& seat, uint32_t key)
{
    if (FullScreen(*seat.client)) {
        EndRun(*seat.client, Outcome::Stopped);
    } else if (seat.keys) {
        const xkb_keysym_t symbol = xkb_state_key_get_one_sym(seat.keys, key + 8);  // evdev code + 8
        if (symbol == XKB_KEY_q || symbol == XKB_KEY_Q || symbol == XKB_KEY_Escape)
            EndRun(*seat.client, Outcome::Stopped);
    }
}

// Keys already down when the focus comes were pressed for another window (the
// Enter that started the program), except on a keyboard that has just appeared:
// there they are presses the run did not see, as a virtual keyboard's are.
void OnKeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface*, wl_array* keys)
{
    auto& seat = *static_cast<WaylandSeat*>(data);
    if (!seat.keyboardLate) return;
    const auto* key = static_cast<const uint32_t*>(keys->data);
    for (size_t i = 0; i < keys->size / sizeof(uint32_t); ++i) KeyPressed(seat, key[i]);
}

void OnKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state)
{
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) KeyPressed(*static_cast<WaylandSeat*>(data), key);
}

void OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
                 uint32_t group)
{
    auto& seat = *static_cast<WaylandSeat*>(data);
    if (seat.keys) xkb_state_update_mask(seat.keys, depressed, latched, locked, 0, 0, group);
}

const wl_keyboard_listener kKeyboardListener = {
    OnKeymap, OnKeyboardEnter, Ignore<wl_keyboard*, uint32_t, wl_surface*>,
    OnKey, OnModifiers, Ignore<wl_keyboard*, int32_t, int32_t>,
};

void OnTouchDown(void* data, wl_touch*, uint32_t, uint32_t, wl_surface*, int32_t, wl_fixed_t, wl_fixed_t)
{
    EndOnInput(*static_cast<WaylandSeat*>(data)->client);
}

const wl_touch_listener kTouchListener = {
    OnTouchDown, Ignore<wl_touch*, uint32_t, uint32_t, int32_t>,
    Ignore<wl_touch*, uint32_t, int32_t, wl_fixed_t, wl_fixed_t>, Ignore<wl_touch*>, Ignore<wl_touch*>,
    Ignore<wl_touch*, int32_t, wl_fixed_t, wl_fixed_t>, Ignore<wl_touch*, int32_t, wl_fixed_t>,
};

void ReleaseDevices(WaylandSeat& seat, uint32_t keep)
{
    if (seat.pointer && !(keep & WL_SEAT_CAPABILITY_POINTER)) {
        wl_pointer_release(seat.pointer);
        seat.pointer = nullptr;
    }
    if (seat.keyboard && !(keep & WL_SEAT_CAPABILITY_KEYBOARD)) {
        wl_keyboard_release(seat.keyboard);
        seat.keyboard = nullptr;
        DropKeymap(seat);
    }
    if (seat.touch && !(keep & WL_SEAT_CAPABILITY_TOUCH)) {
        wl_touch_release(seat.touch);
        seat.touch = nullptr;
    }
}

void OnCapabilities(void* data, wl_seat* handle, uint32_t capabilities)
{
    auto& seat = *static_cast<WaylandSeat*>(data);
    ReleaseDevices(seat, capabilities);
    if (!seat.pointer && (capabilities & WL_SEAT_CAPABILITY_POINTER)) {
        seat.pointer = wl_seat_get_pointer(handle);
        wl_pointer_add_listener(seat.pointer, &kPointerListener, &seat);
    }
    if (!seat.keyboard && (capabilities & WL_SEAT_CAPABILITY_KEYBOARD)) {
        seat.keyboard = wl_seat_get_keyboard(handle);
        seat.keyboardLate = seat.client->opened;
        wl_keyboard_add_listener(seat.keyboard, &kKeyboardListener, &seat);
    }
    if (!seat.touch && (capabilities & WL_SEAT_CAPABILITY_TOUCH)) {
        seat.touch = wl_seat_get_touch(handle);
        wl_touch_add_listener(seat.touch, &kTouchListener, &seat);
    }
}

const wl_seat_listener kSeatListener = {OnCapabilities, Ignore<wl_seat*, const char*>};

void CloseSeat(WaylandSeat& seat)
{
    ReleaseDevices(seat, 0);
    Drop(seat.seat, wl_seat_release);
}

// ---- Outputs: their names and scales; a wallpaper on each one that is asked for.

bool Wanted(const WaylandClient& client, const WaylandOutput& output)
{
    return client.request->output.empty() || client.request->output == output.name;
}

void AddSurface(WaylandClient& client, WaylandOutput* output)
{
    client.surfaces.push_back(std::make_unique<SaverSurface>());
    OpenSaverSurface(client, *client.surfaces.back(), output);
}

void OnOutputDone(void* data, wl_output*)
{
    auto& output = *static_cast<WaylandOutput*>(data);
    WaylandClient& client = *output.client;
    const bool first = !output.described;
    output.described = true;
    if (first && client.opened && client.request->mode == WaylandMode::Wallpaper && Wanted(client, output))
        AddSurface(client, &output);
}

void OnOutputScale(void* data, wl_output*, int32_t factor)
{
    static_cast<WaylandOutput*>(data)->scale = factor > 0 ? factor : 1;
}

void OnOutputName(void* data, wl_output*, const char* name) { static_cast<WaylandOutput*>(data)->name = name; }

const wl_output_listener kOutputListener = {
    Ignore<wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*, int32_t>,
    Ignore<wl_output*, uint32_t, int32_t, int32_t, int32_t>,
    OnOutputDone,
    OnOutputScale,
    OnOutputName,
    Ignore<wl_output*, const char*>,
};

void CloseOutput(WaylandOutput& output)
{
    if (output.output) {
        if (output.version >= WL_OUTPUT_RELEASE_SINCE_VERSION)
            wl_output_release(output.output);
        else
            wl_output_destroy(output.output);
    }
    output.output = nullptr;
}

// The output has gone: its wallpaper goes with it, other surfaces forget it.
void RemoveOutput(WaylandClient& client, WaylandOutput& output)
{
    auto& surfaces = client.surfaces;
    for (auto& saver : surfaces) {
        if (client.request->mode == WaylandMode::Wallpaper && saver->output == &output) {
            CloseSaverSurface(*saver);
            saver->closed = true;
        }
        ForgetOutput(*saver, &output);
    }
    std::erase_if(surfaces, [](const auto& saver) { return saver->closed && !saver->surface; });
    CloseOutput(output);
}

// ---- Globals.

void OnPing(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener kWmBaseListener = {OnPing};

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered, uint32_t wanted)
{
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    auto& client = *static_cast<WaylandClient*>(data);
    const WaylandMode mode = client.request->mode;
    const std::string_view what = interface;
    if (what == wl_compositor_interface.name && version >= 4 && !client.compositor) {
        client.compositor = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    } else if (what == wl_shm_interface.name && !client.shm) {
        client.shm = Bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (what == xdg_wm_base_interface.name && mode != WaylandMode::Wallpaper && !client.wmBase) {
        client.wmBase = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 2);
        xdg_wm_base_add_listener(client.wmBase, &kWmBaseListener, nullptr);
    } else if (what == zwlr_layer_shell_v1_interface.name && mode == WaylandMode::Wallpaper && !client.layerShell) {
        client.layerShell = Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 4);
    } else if (what == wp_viewporter_interface.name && !client.viewporter) {
        client.viewporter = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
    } else if (what == wp_fractional_scale_manager_v1_interface.name && !client.fractionalScale) {
        client.fractionalScale = Bind<wp_fractional_scale_manager_v1>(
            registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (what == wl_output_interface.name) {
        auto output = std::make_unique<WaylandOutput>();
        output->client = &client;
        output->globalName = name;
        output->version = std::min(version, 4u);
        output->output = Bind<wl_output>(registry, name, &wl_output_interface, version, 4);
        wl_output_add_listener(output->output, &kOutputListener, output.get());
        client.outputs.push_back(std::move(output));
    } else if (what == wl_seat_interface.name && mode != WaylandMode::Wallpaper && version >= 5) {
        auto seat = std::make_unique<WaylandSeat>();
        seat->client = &client;
        seat->globalName = name;
        seat->seat = Bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
        wl_seat_add_listener(seat->seat, &kSeatListener, seat.get());
        client.seats.push_back(std::move(seat));
    }
}

void OnGlobalRemove(void* data, wl_registry*, uint32_t name)
{
    auto& client = *static_cast<WaylandClient*>(data);
    for (auto& output : client.outputs)
        if (output->globalName == name) RemoveOutput(client, *output);
    std::erase_if(client.outputs, [](const auto& output) { return !output->output; });
    for (auto& seat : client.seats)
        if (seat->globalName == name) CloseSeat(*seat);
    std::erase_if(client.seats, [](const auto& seat) { return !seat->seat; });
}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

std::string OutputNames(const WaylandClient& client)
{
    std::string names;
    for (const auto& output : client.outputs)
        if (!output->name.empty()) names += (names.empty() ? "" : ", ") + output->name;
    return names.empty() ? "none with a name" : names;
}

bool CheckGlobals(const WaylandClient& client, std::string& error)
{
    if (!client.compositor || !client.shm) {
        error = "the compositor offers no wl_compositor (version 4) or no wl_shm";
    } else if (client.request->mode == WaylandMode::Wallpaper && !client.layerShell) {
        error = "the compositor does not offer the wlr-layer-shell protocol (zwlr_layer_shell_v1) that --wallpaper "
                "needs (GNOME has none); try --fullscreen";
    } else if (client.request->mode != WaylandMode::Wallpaper && !client.wmBase) {
        error = "the compositor does not offer xdg-shell (xdg_wm_base)";
    } else {
        return true;
    }
    return false;
}

}  // namespace

void EndRun(WaylandClient& client, Outcome outcome, const std::string& error)
{
    if (client.outcome != Outcome::Going) return;
    client.outcome = outcome;
    client.error = error;
}

bool OpenWaylandClient(WaylandClient& client, const WaylandRequest& request, std::string& error)
{
    client.request = &request;
    client.display = wl_display_connect(nullptr);
    if (!client.display) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        error = name && *name ? "cannot connect to the Wayland compositor " + Shortened(name)
                              : "no Wayland compositor: WAYLAND_DISPLAY is not set";
        return false;
    }
    if (request.mode != WaylandMode::Wallpaper) client.xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    client.registry = wl_display_get_registry(client.display);
    wl_registry_add_listener(client.registry, &kRegistryListener, &client);
    // The globals, then what the outputs and seats say about themselves.
    if (wl_display_roundtrip(client.display) < 0 || wl_display_roundtrip(client.display) < 0) {
        error = "lost the connection to the Wayland compositor";
        return false;
    }
    if (!CheckGlobals(client, error)) return false;
    WaylandOutput* named = nullptr;
    for (auto& output : client.outputs)
        if (!request.output.empty() && output->name == request.output) named = output.get();
    if (!request.output.empty() && !named) {
        error = "no output named " + Shortened(request.output) + " (the compositor has: " + OutputNames(client) + ")";
        return false;
    }
    if (request.mode == WaylandMode::Wallpaper) {
        for (auto& output : client.outputs)
            if (output->described && Wanted(client, *output)) AddSurface(client, output.get());
    } else {
        AddSurface(client, named);
    }
    client.opened = true;
    return true;
}

void CloseWaylandClient(WaylandClient& client)
{
    for (auto& saver : client.surfaces) CloseSaverSurface(*saver);
    client.surfaces.clear();
    for (auto& seat : client.seats) CloseSeat(*seat);
    client.seats.clear();
    for (auto& output : client.outputs) CloseOutput(*output);
    client.outputs.clear();
    Drop(client.fractionalScale, wp_fractional_scale_manager_v1_destroy);
    Drop(client.viewporter, wp_viewporter_destroy);
    if (client.layerShell) {
        if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(client.layerShell)) >= 3)
            zwlr_layer_shell_v1_destroy(client.layerShell);
        else
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(client.layerShell));
    }
    client.layerShell = nullptr;
    Drop(client.wmBase, xdg_wm_base_destroy);
    Drop(client.shm, wl_shm_destroy);
    Drop(client.compositor, wl_compositor_destroy);
    Drop(client.registry, wl_registry_destroy);
    Drop(client.xkb, xkb_context_unref);
    if (client.display) {
        wl_display_flush(client.display);
        wl_display_disconnect(client.display);
    }
    client.display = nullptr;
}
