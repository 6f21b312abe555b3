// The tests' pointer for a headless compositor, which has no pointer device of
// its own: one virtual pointer (wlroots) that lives while the program runs, and
// on KWin its fake input's keys. Reads commands from standard input, one a
// line, and answers "done" to each once the compositor has taken it:
//   to X Y W H   move to (X, Y) of a W x H box that spans the outputs
//   by DX DY     move by (DX, DY)
//   click        press and release the left button
//   key CODE     press and release the key of this evdev code (KWin)
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "kde-fake-input-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

struct PointerClient {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
    org_kde_kwin_fake_input* fake = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto& client = *static_cast<PointerClient*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !client.seat)
        client.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        client.manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        client.fake = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

constexpr uint32_t kLeftButton = 0x110;  // BTN_LEFT

}  // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::cerr << "virtual_pointer: no Wayland compositor\n";
        return 1;
    }
    PointerClient client;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &client);
    wl_display_roundtrip(display);
    if (!client.manager && !client.fake) {
        std::cerr << "virtual_pointer: the compositor has neither zwlr_virtual_pointer_manager_v1 nor fake input\n";
        return 1;
    }
    if (client.fake) org_kde_kwin_fake_input_authenticate(client.fake, "velmora tests", "keys for the saver");
    zwlr_virtual_pointer_v1* pointer =
        client.manager ? zwlr_virtual_pointer_manager_v1_create_virtual_pointer(client.manager, client.seat) : nullptr;
    wl_display_roundtrip(display);
    uint32_t time = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        time += 10;
        if (command == "key" && client.fake) {
            uint32_t code = 0;
            words >> code;
            org_kde_kwin_fake_input_keyboard_key(client.fake, code, WL_KEYBOARD_KEY_STATE_PRESSED);
            org_kde_kwin_fake_input_keyboard_key(client.fake, code, WL_KEYBOARD_KEY_STATE_RELEASED);
        } else if (!pointer) {
            std::cerr << "virtual_pointer: no virtual pointer for '" << line << "'\n";
            return 1;
        } else if (command == "to") {
            uint32_t x, y, width, height;
            words >> x >> y >> width >> height;
            zwlr_virtual_pointer_v1_motion_absolute(pointer, time, x, y, width, height);
        } else if (command == "by") {
            double dx, dy;
            words >> dx >> dy;
            zwlr_virtual_pointer_v1_motion(pointer, time, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
        } else if (command == "click") {
            zwlr_virtual_pointer_v1_button(pointer, time, kLeftButton, WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
            zwlr_virtual_pointer_v1_button(pointer, time + 5, kLeftButton, WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            std::cerr << "virtual_pointer: unknown command '" << line << "'\n";
            return 1;
        }
        if (pointer) zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0) return 1;
        std::cout << "done" << std::endl;
    }
    if (pointer) zwlr_virtual_pointer_v1_destroy(pointer);
    if (client.manager) zwlr_virtual_pointer_manager_v1_destroy(client.manager);
    if (client.fake) org_kde_kwin_fake_input_destroy(client.fake);
    if (client.seat) wl_seat_destroy(client.seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
