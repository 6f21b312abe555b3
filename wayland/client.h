// The Wayland connection of the saver: the compositor's globals, its outputs
// (name and scale), the seats whose input ends a full-screen run or a window,
// and the surfaces the run is shown on.
#pragma once

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "wayland/idle.h"
#include "wayland/output.h"
#include "wayland/saver.h"
#include "wayland/surface.h"

struct WaylandClient;

struct WaylandSeat {
    WaylandClient* client = nullptr;
    wl_seat* seat = nullptr;
    uint32_t globalName = 0;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_touch* touch = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* keys = nullptr;
    bool keyboardLate = false;   // the keyboard came while the run was shown (a virtual one, say)
    bool pointerPlaced = false;  // where the pointer first entered is known
    double firstX = 0.0;
    double firstY = 0.0;
};

enum class Outcome { Going, Stopped, Failed };

struct WaylandClient {
    const WaylandRequest* request = nullptr;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    WaylandGlobals globals;
    xkb_context* xkb = nullptr;
    std::vector<std::unique_ptr<WaylandOutput>> outputs;
    std::vector<std::unique_ptr<WaylandSeat>> seats;
    std::vector<std::unique_ptr<SaverSurface>> surfaces;
    IdleWatch idle;
    bool opened = false;  // set up: from now on wallpapers follow the outputs that come and go
    bool shown = false;   // the mode's surfaces are on the screen (with --idle only while idle)
    bool hide = false;    // input has come: the idle saver goes until the next idle time
    Outcome outcome = Outcome::Going;
    std::string error;  // why it failed
};

// Ends the run with this outcome (the first one set stays).
void EndRun(WaylandClient& client, Outcome outcome, const std::string& error = {});

// Shows the idle saver when the session has become idle, hides it when input
// has come; then gives each described output that the mode covers and nothing
// covers yet its surface (outputs that come while it runs too).
void FollowIdle(WaylandClient& client);
void CoverOutputs(WaylandClient& client);

// Takes the surfaces that have ended away; the first one closed or failed ends the run.
void EndSurfaces(WaylandClient& client);

// Connects (WAYLAND_DISPLAY), learns the globals and outputs, and makes the
// mode's surfaces. On failure error says why, and CloseWaylandClient releases
// what was opened.
bool OpenWaylandClient(WaylandClient& client, const WaylandRequest& request, std::string& error);
void CloseWaylandClient(WaylandClient& client);
