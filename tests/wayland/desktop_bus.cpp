// Test-only: what the GNOME and KDE tests ask of gnome-shell and kwin over the
// session bus, one line on stdin each, "done" (or "failed: why") on stdout for each:
//   shot FILE   a screenshot (owning org.gnome.Screenshot, as gnome-shell demands)
//   kwin-shot FILE  kwin's screen in real pixels, raw B, G, R, A bytes
//   key CODE    an evdev key pressed and released through a RemoteDesktop session
//   overview    closes the Overview (gnome-shell as root opens in it)
//   inhibit     stands in for GNOME's session manager, which says the session is held awake
//   uninhibit   gives that name up again
// The RemoteDesktop session lives as long as this connection.
#include <fcntl.h>
#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Bus {
    sd_bus* bus = nullptr;
    std::string session;  // the RemoteDesktop session's path, once made
};

bool Call(Bus& bus, const char* service, const char* path, const char* interface, const char* method,
          sd_bus_message** reply, std::string& why, const char* types = nullptr, ...)
{
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* message = nullptr;
    int result = sd_bus_message_new_method_call(bus.bus, &message, service, path, interface, method);
    if (result >= 0 && types) {
        va_list arguments;
        va_start(arguments, types);
        result = sd_bus_message_appendv(message, types, arguments);
        va_end(arguments);
    }
    if (result >= 0) result = sd_bus_call(bus.bus, message, 10'000'000, &error, reply);
    if (result < 0) why = std::string(method) + ": " + (error.message ? error.message : "failed");
    sd_bus_error_free(&error);
    sd_bus_message_unref(message);
    return result >= 0;
}

constexpr const char* kDesktop = "org.gnome.Mutter.RemoteDesktop";

int OnIsInhibited(sd_bus_message* call, void*, sd_bus_error*) { return sd_bus_reply_method_return(call, "b", 1); }
const sd_bus_vtable kManager[] = {SD_BUS_VTABLE_START(0),
                                  SD_BUS_METHOD("IsInhibited", "u", "b", OnIsInhibited, SD_BUS_VTABLE_UNPRIVILEGED),
                                  SD_BUS_VTABLE_END};

bool Key(Bus& bus, uint32_t code, std::string& why)
{
    constexpr const char* kSession = "org.gnome.Mutter.RemoteDesktop.Session";
    std::vector<uint32_t> codes = {code};
    if (bus.session.empty()) {
        sd_bus_message* reply = nullptr;
        const char* path = "";
        const bool made = Call(bus, kDesktop, "/org/gnome/Mutter/RemoteDesktop", kDesktop, "CreateSession", &reply,
                               why) && sd_bus_message_read(reply, "o", &path) >= 0;
        bus.session = path;
        sd_bus_message_unref(reply);
        if (!made || !Call(bus, kDesktop, path, kSession, "Start", nullptr, why)) return false;
        codes.insert(codes.begin(), 42);  // the first event only makes the virtual keyboard: Shift, harmless
    }
    for (uint32_t each : codes)
        for (int pressed : {1, 0})
            if (!Call(bus, kDesktop, bus.session.c_str(), kSession, "NotifyKeyboardKeycode", nullptr, why, "ub", each,
                      pressed))
                return false;
    return true;
}

bool Do(Bus& bus, const std::string& line, std::string& why)
{
    std::istringstream words(line);
    std::string command, argument;
    words >> command >> argument;
    if (command == "shot") {
        sd_bus_request_name(bus.bus, "org.gnome.Screenshot", 0);
        sd_bus_message* reply = nullptr;
        int success = 0;
        if (Call(bus, "org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot", "org.gnome.Shell.Screenshot",
                 "Screenshot", &reply, why, "bbs", 0, 0, argument.c_str()))
            sd_bus_message_read(reply, "b", &success);
        sd_bus_message_unref(reply);
        return success || (why += " (Screenshot refused)", false);
    }
    if (command == "kwin-shot") {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return false;
        const bool called = Call(bus, "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2",
                                 "CaptureActiveScreen", nullptr, why, "a{sv}h", 1, "native-resolution", "b", 1, ends[1]);
        close(ends[1]);
        FILE* file = std::fopen(argument.c_str(), "wb");
        char bytes[65536];
        ssize_t got;
        while (file && (got = read(ends[0], bytes, sizeof bytes)) > 0) std::fwrite(bytes, 1, got, file);
        close(ends[0]);
        return file && std::fclose(file) == 0 && called;
    }
    if (command == "key") return Key(bus, static_cast<uint32_t>(std::stoul(argument)), why);
    if (command == "overview")
        return Call(bus, "org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Set", nullptr,
                    why, "ssv", "org.gnome.Shell", "OverviewActive", "b", 0);
    if (command == "inhibit")
        return sd_bus_add_object_vtable(bus.bus, nullptr, "/org/gnome/SessionManager", "org.gnome.SessionManager",
                                        kManager, nullptr) >= 0 &&
               sd_bus_request_name(bus.bus, "org.gnome.SessionManager", 0) >= 0;
    if (command == "uninhibit") return sd_bus_release_name(bus.bus, "org.gnome.SessionManager") >= 0;
    why = "unknown command";
    return false;
}

}  // namespace

int main()
{
    Bus bus;
    if (sd_bus_open_user(&bus.bus) < 0) {
        std::cerr << "desktop_bus: no session bus\n";
        return 1;
    }
    std::string line;
    while (true) {  // commands, and between them calls to the names it stands in for
        while (sd_bus_process(bus.bus, nullptr) > 0) {
        }
        pollfd inputs[2] = {{0, POLLIN, 0}, {sd_bus_get_fd(bus.bus), static_cast<short>(sd_bus_get_events(bus.bus)), 0}};
        if (poll(inputs, 2, -1) < 0 || (inputs[0].revents && !std::getline(std::cin, line))) break;
        if (!inputs[0].revents) continue;
        std::string why;
        std::cout << (Do(bus, line, why) ? "done" : "failed: " + why) << std::endl;
    }
    sd_bus_flush_close_unref(bus.bus);
    return 0;
}
