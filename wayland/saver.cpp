#include "wayland/saver.h"

#include <cerrno>
#include <cstring>

#include "cli/waiting.h"
#include "wayland/client.h"

namespace {

std::string LostConnection(wl_display* display)
{
    const int code = wl_display_get_error(display);
    if (code == EPROTO) {
        const wl_interface* interface = nullptr;
        uint32_t id = 0;
        const uint32_t error = wl_display_get_protocol_error(display, &interface, &id);
        return "the Wayland compositor ended the connection: protocol error " + std::to_string(error) + " on " +
               (interface ? interface->name : "an object");
    }
    return "lost the connection to the Wayland compositor";
}

// Sends what was asked, waits for the compositor, a signal or the deadline (-1:
// none), and reads what came. False when the connection is lost.
bool Exchange(WaylandClient& client, int64_t deadline)
{
    wl_display* display = client.display;
    if (wl_display_prepare_read(display) != 0) return true;  // events are queued already: handle them first
    if (wl_display_flush(display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display);
        return false;
    }
    WaitForInput(wl_display_get_fd(display), deadline);
    return wl_display_read_events(display) == 0;  // reads without blocking: nothing there is no error
}

int RunLoop(WaylandClient& client, std::string& error)
{
    while (true) {
        if (wl_display_dispatch_pending(client.display) < 0) {
            error = LostConnection(client.display);
            return 1;
        }
        if (EndingSignalCaught()) return 0;
        if (client.outcome != Outcome::Going) {
            error = client.error;
            return client.outcome == Outcome::Stopped ? 0 : 1;
        }
        const int64_t now = MonotonicNow();
        int64_t deadline = -1;
        for (auto& saver : client.surfaces) {
            const int64_t due = StepSaverSurface(*saver, now);
            if (due >= 0 && (deadline < 0 || due < deadline)) deadline = due;
        }
        std::erase_if(client.surfaces, [](auto& saver) {  // wallpapers the compositor has taken away
            if (saver->closed) CloseSaverSurface(*saver);
            return saver->closed;
        });
        if (client.outcome != Outcome::Going) continue;
        if (!Exchange(client, deadline)) {
            error = LostConnection(client.display);
            return 1;
        }
    }
}

}  // namespace

int RunWaylandSaver(const WaylandRequest& request, std::string& error)
{
    WaylandClient client;
    int status = 1;
    if (OpenWaylandClient(client, request, error)) status = RunLoop(client, error);
    CloseWaylandClient(client);
    return status;
}
