#include "cli/session_idle.h"

#include <poll.h>
#include <systemd/sd-bus.h>

namespace {

constexpr const char* kMonitor = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kMonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr uint32_t kInhibitIdle = 8;  // org.gnome.SessionManager's flag for "do not count the session idle"

int OnWatchFired(sd_bus_message* message, void* data, sd_bus_error*)
{
    auto& idle = *static_cast<SessionIdle*>(data);
    uint32_t id = 0;
    if (sd_bus_message_read(message, "u", &id) >= 0 && id == idle.watch) idle.became = true;
    return 0;
}

}  // namespace

bool OpenSessionIdle(SessionIdle& idle, uint32_t milliseconds, std::string& why)
{
    if (sd_bus_open_user(&idle.bus) < 0) {
        why = "no session bus";
        return false;
    }
    if (sd_bus_match_signal(idle.bus, &idle.fired, kMonitor, kMonitorPath, kMonitor, "WatchFired", OnWatchFired,
                            &idle) < 0) {
        why = "cannot listen on the session bus";
        return false;
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int called = sd_bus_call_method(idle.bus, kMonitor, kMonitorPath, kMonitor, "AddIdleWatch", &error, &reply,
                                          "t", uint64_t{milliseconds});
    const bool read = called >= 0 && sd_bus_message_read(reply, "u", &idle.watch) >= 0;
    if (!read) why = "no GNOME IdleMonitor (" + std::string(error.name ? error.name : "no answer") + ")";
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return read;
}

void CloseSessionIdle(SessionIdle& idle)
{
    if (idle.bus && idle.watch)
        sd_bus_call_method(idle.bus, kMonitor, kMonitorPath, kMonitor, "RemoveWatch", nullptr, nullptr, "u",
                           idle.watch);
    idle.fired = sd_bus_slot_unref(idle.fired);
    idle.bus = sd_bus_flush_close_unref(idle.bus);
    idle.watch = 0;
}

int SessionIdleFd(const SessionIdle& idle) { return idle.bus ? sd_bus_get_fd(idle.bus) : -1; }

short SessionIdleEvents(const SessionIdle& idle)
{
    const int events = idle.bus ? sd_bus_get_events(idle.bus) : 0;
    return static_cast<short>(events > 0 ? events : POLLIN);
}

bool ProcessSessionIdle(SessionIdle& idle)
{
    int done;
    while ((done = sd_bus_process(idle.bus, nullptr)) > 0) {
    }
    return done >= 0;
}

bool SessionInhibited(SessionIdle& idle)
{
    sd_bus_message* reply = nullptr;
    int inhibited = 0;
    if (sd_bus_call_method(idle.bus, "org.gnome.SessionManager", "/org/gnome/SessionManager",
                           "org.gnome.SessionManager", "IsInhibited", nullptr, &reply, "u", kInhibitIdle) >= 0)
        sd_bus_message_read(reply, "b", &inhibited);
    sd_bus_message_unref(reply);
    return inhibited != 0;
}
