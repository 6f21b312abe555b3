#include "wayland/idle.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"
#include "wayland/buffers.h"

namespace {

void Became(void* data) { static_cast<IdleWatch*>(data)->became = true; }

void OnIdled(void* data, ext_idle_notification_v1*) { Became(data); }
void OnResumed(void*, ext_idle_notification_v1*) {}  // the saver's own input rule ends it
const ext_idle_notification_v1_listener kNotificationListener = {OnIdled, OnResumed};

void OnKdeIdle(void* data, org_kde_kwin_idle_timeout*) { Became(data); }
void OnKdeResumed(void*, org_kde_kwin_idle_timeout*) {}
const org_kde_kwin_idle_timeout_listener kTimeoutListener = {OnKdeIdle, OnKdeResumed};

}  // namespace

bool BindIdleGlobal(IdleWatch& watch, wl_registry* registry, uint32_t name, std::string_view interface,
                    uint32_t)
{
    if (interface == ext_idle_notifier_v1_interface.name) {
        if (!watch.notifier)
            watch.notifier = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
        return true;
    }
    if (interface == org_kde_kwin_idle_interface.name) {
        if (!watch.kdeIdle)
            watch.kdeIdle =
                static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
        return true;
    }
    return false;
}

bool StartIdleWatch(IdleWatch& watch, wl_seat* seat, uint32_t milliseconds, std::string& why)
{
    if (watch.notifier && seat) {
        watch.notification = ext_idle_notifier_v1_get_idle_notification(watch.notifier, milliseconds, seat);
        ext_idle_notification_v1_add_listener(watch.notification, &kNotificationListener, &watch);
        return true;
    }
    if (watch.kdeIdle && seat) {
        watch.timeout = org_kde_kwin_idle_get_idle_timeout(watch.kdeIdle, seat, milliseconds);
        org_kde_kwin_idle_timeout_add_listener(watch.timeout, &kTimeoutListener, &watch);
        return true;
    }
    std::string session = "not built with sd-bus";
#ifdef VELMORA_SESSION_IDLE
    if (OpenSessionIdle(watch.session, milliseconds, session)) return true;
    CloseSessionIdle(watch.session);
#endif
    why = "--idle finds no idle source: the compositor offers neither ext_idle_notifier_v1 nor org_kde_kwin_idle" +
          std::string(seat ? "" : " with a seat") + ", and GNOME's IdleMonitor is not there (" + session + ")";
    return false;
}

int IdleBusFd(const IdleWatch& watch)
{
#ifdef VELMORA_SESSION_IDLE
    return SessionIdleFd(watch.session);
#else
    (void)watch;
    return -1;
#endif
}

short IdleBusEvents(const IdleWatch& watch)
{
#ifdef VELMORA_SESSION_IDLE
    return SessionIdleEvents(watch.session);
#else
    (void)watch;
    return 0;
#endif
}

bool ProcessIdleBus(IdleWatch& watch)
{
#ifdef VELMORA_SESSION_IDLE
    if (!watch.session.bus) return true;
    if (!ProcessSessionIdle(watch.session)) return false;
    if (watch.session.became) {
        watch.session.became = false;
        watch.became = !SessionInhibited(watch.session);  // a video playing holds the saver back
    }
#else
    (void)watch;
#endif
    return true;
}

void CloseIdleWatch(IdleWatch& watch)
{
    Drop(watch.notification, ext_idle_notification_v1_destroy);
    Drop(watch.timeout, org_kde_kwin_idle_timeout_release);
    Drop(watch.notifier, ext_idle_notifier_v1_destroy);
    Drop(watch.kdeIdle, org_kde_kwin_idle_destroy);
#ifdef VELMORA_SESSION_IDLE
    CloseSessionIdle(watch.session);
#endif
}
