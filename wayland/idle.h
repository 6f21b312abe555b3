// The compositor's idle watch for --idle: ext_idle_notifier_v1 where offered,
// else KDE's org_kde_kwin_idle (sway 1.7, KWin). Both leave idle inhibition
// (a video that plays) to the compositor. The watch only notes that the seat
// became idle; the client's loop shows the saver.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <string_view>

struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

struct IdleWatch {
    ext_idle_notifier_v1* notifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    ext_idle_notification_v1* notification = nullptr;
    org_kde_kwin_idle_timeout* timeout = nullptr;
    bool became = false;  // the seat has become idle since the client last looked
};

// Binds the global when it is one of the idle protocols; false otherwise.
bool BindIdleGlobal(IdleWatch& watch, wl_registry* registry, uint32_t name, std::string_view interface,
                    uint32_t version);
bool IdleOffered(const IdleWatch& watch);
// Watches the seat for milliseconds without input.
void StartIdleWatch(IdleWatch& watch, wl_seat* seat, uint32_t milliseconds);
void CloseIdleWatch(IdleWatch& watch);
