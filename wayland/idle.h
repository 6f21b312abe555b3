// The idle watch for --idle, the first found of: ext_idle_notifier_v1,
// KDE's org_kde_kwin_idle (sway 1.7, KWin), both of which leave idle inhibition
// (a video that plays) to the compositor, and GNOME's IdleMonitor on the session
// bus, where the session manager is asked about inhibition. The watch only notes
// that the session became idle; the client's loop shows the saver.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "cli/session_idle.h"

struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

struct IdleWatch {
    ext_idle_notifier_v1* notifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    ext_idle_notification_v1* notification = nullptr;
    org_kde_kwin_idle_timeout* timeout = nullptr;
    SessionIdle session;
    bool became = false;  // the session has become idle since the client last looked
};

// Binds the global when it is one of the idle protocols; false otherwise.
bool BindIdleGlobal(IdleWatch& watch, wl_registry* registry, uint32_t name, std::string_view interface,
                    uint32_t version);
// Watches the seat (null: none) for milliseconds without input; false with why
// when no source is found.
bool StartIdleWatch(IdleWatch& watch, wl_seat* seat, uint32_t milliseconds, std::string& why);
void CloseIdleWatch(IdleWatch& watch);

// The session bus's descriptor (-1: not used) and its poll events, for the
// loop's wait; then what came on it. False when the bus has gone.
int IdleBusFd(const IdleWatch& watch);
short IdleBusEvents(const IdleWatch& watch);
bool ProcessIdleBus(IdleWatch& watch);
