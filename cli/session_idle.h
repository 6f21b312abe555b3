// GNOME's idle watch for --idle, over the session bus (sd-bus): mutter publishes
// the session's idle time as org.gnome.Mutter.IdleMonitor and fires a watch
// after a time without input (GNOME offers its clients no Wayland idle
// protocol). Whether something holds the session awake (a video playing) is the
// session manager's to say, org.gnome.SessionManager's IsInhibited; without a
// session manager nothing counts as holding it.
#pragma once

#include <cstdint>
#include <string>

struct sd_bus;
struct sd_bus_slot;

struct SessionIdle {
    sd_bus* bus = nullptr;
    sd_bus_slot* fired = nullptr;  // the match on WatchFired
    uint32_t watch = 0;            // the watch's id from AddIdleWatch
    bool became = false;           // the watch has fired since the caller last looked
};

// Connects to the session bus and asks for a watch of milliseconds without
// input; false with why when there is no bus or no IdleMonitor on it.
bool OpenSessionIdle(SessionIdle& idle, uint32_t milliseconds, std::string& why);
void CloseSessionIdle(SessionIdle& idle);

// The bus connection's descriptor and the poll events it waits for.
int SessionIdleFd(const SessionIdle& idle);
short SessionIdleEvents(const SessionIdle& idle);
// Reads and handles what has come; false when the bus has gone.
bool ProcessSessionIdle(SessionIdle& idle);

// The session manager holds the session awake (the idle flag of IsInhibited).
bool SessionInhibited(SessionIdle& idle);
