// One output of the compositor: its name and scale. Its wl_output carries the
// record as user data, so a surface's enter and leave events find it directly.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <string>

struct WaylandOutput {
    wl_output* output = nullptr;
    uint32_t globalName = 0;
    uint32_t version = 0;
    std::string name;        // HDMI-A-1, HEADLESS-1 (wl_output version 4)
    int32_t scale = 1;
    bool described = false;  // its first done event has come
    bool covered = false;    // the mode has given it its surface
};

// Binds the output global and listens to what it says about itself.
std::unique_ptr<WaylandOutput> BindOutput(wl_registry* registry, uint32_t name, uint32_t version);
void CloseOutput(WaylandOutput& output);

// The record of a wl_output bound by BindOutput; null for any other (one a
// library bound for itself).
WaylandOutput* OutputOf(wl_output* handle);
