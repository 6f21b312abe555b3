// Test-only: what the GNOME tests ask of gnome-shell over the session bus, one
// line on stdin each, "done" (or "failed: why") on stdout for each:
//   shot FILE   a screenshot (owning org.gnome.Screenshot, as gnome-shell demands)
//   key CODE    an evdev key pressed and released through a RemoteDesktop session
//   overview    closes the Overview (gnome-shell as root opens in it)
//   idle MS     prints the session's idle time in ms before "done"
// The RemoteDesktop session lives as long as this connection.
#include <systemd/sd-bus.h>

#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

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

bool Key(Bus& bus, uint32_t code, std::string& why)
{
    if (bus.session.empty()) {
        sd_bus_message* reply = nullptr;
        const char* path = nullptr;
        if (!Call(bus, kDesktop, "/org/gnome/Mutter/RemoteDesktop", kDesktop, "CreateSession", &reply, why))
            return false;
        sd_bus_message_read(reply, "o", &path);
        bus.session = path ? path : "";
        sd_bus_message_unref(reply);
        if (!Call(bus, kDesktop, bus.session.c_str(), "org.gnome.Mutter.RemoteDesktop.Session", "Start", nullptr,
                  why))
            return false;
        // The first event only makes the virtual keyboard: a harmless one first (Shift).
        for (int pressed : {1, 0})
            if (!Call(bus, kDesktop, bus.session.c_str(), "org.gnome.Mutter.RemoteDesktop.Session",
                      "NotifyKeyboardKeycode", nullptr, why, "ub", 42u, pressed))
                return false;
    }
    for (int pressed : {1, 0})
        if (!Call(bus, kDesktop, bus.session.c_str(), "org.gnome.Mutter.RemoteDesktop.Session",
                  "NotifyKeyboardKeycode", nullptr, why, "ub", code, pressed))
            return false;
    return true;
}

bool Do(Bus& bus, const std::string& line, std::string& why)
{
    std::istringstream words(line);
    std::string command, argument;
    words >> command >> argument;
    if (command == "shot") {
        if (sd_bus_request_name(bus.bus, "org.gnome.Screenshot", 0) < 0 && why.empty()) why = "no name";
        sd_bus_message* reply = nullptr;
        int success = 0;
        const bool called = Call(bus, "org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot",
                                 "org.gnome.Shell.Screenshot", "Screenshot", &reply, why, "bbs", 0, 0,
                                 argument.c_str());
        if (called) sd_bus_message_read(reply, "b", &success);
        sd_bus_message_unref(reply);
        if (called && !success) why = "Screenshot: refused";
        return called && success;
    }
    if (command == "key") return Key(bus, static_cast<uint32_t>(std::stoul(argument)), why);
    if (command == "overview")
        return Call(bus, "org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Set", nullptr,
                    why, "ssv", "org.gnome.Shell", "OverviewActive", "b", 0);
    if (command == "idle") {
        sd_bus_message* reply = nullptr;
        uint64_t idle = 0;
        const bool called = Call(bus, "org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                                 "org.gnome.Mutter.IdleMonitor", "GetIdletime", &reply, why);
        if (called) sd_bus_message_read(reply, "t", &idle);
        sd_bus_message_unref(reply);
        std::cout << idle << "\n";
        return called;
    }
    why = "unknown command";
    return false;
}

}  // namespace

int main()
{
    Bus bus;
    if (sd_bus_open_user(&bus.bus) < 0) {
        std::cerr << "gnome_bus: no session bus\n";
        return 1;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        std::string why;
        std::cout << (Do(bus, line, why) ? "done" : "failed: " + why) << std::endl;
    }
    sd_bus_flush_close_unref(bus.bus);
    return 0;
}
