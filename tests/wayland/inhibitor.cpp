// Test-only: a small window that holds an idle inhibitor (zwp_idle_inhibit_v1)
// as a video player does; prints "inhibiting" once it is shown, then holds it
// until it is ended.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <type_traits>

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

struct Globals {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* wmBase = nullptr;
    zwp_idle_inhibit_manager_v1* inhibits = nullptr;
    bool configured = false;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto& g = *static_cast<Globals*>(data);
    const auto bind = [&](auto*& to, const wl_interface& wanted) {
        if (std::strcmp(interface, wanted.name) == 0)
            to = static_cast<std::remove_reference_t<decltype(to)>>(wl_registry_bind(registry, name, &wanted, 1));
    };
    bind(g.compositor, wl_compositor_interface);
    bind(g.shm, wl_shm_interface);
    bind(g.wmBase, xdg_wm_base_interface);
    bind(g.inhibits, zwp_idle_inhibit_manager_v1_interface);
}
const wl_registry_listener kRegistryListener = {OnGlobal, [](void*, wl_registry*, uint32_t) {}};
const xdg_wm_base_listener kWmBaseListener = {[](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }};
void OnConfigure(void* data, xdg_surface* surface, uint32_t serial)
{
    xdg_surface_ack_configure(surface, serial);
    static_cast<Globals*>(data)->configured = true;
}
const xdg_surface_listener kSurfaceListener = {OnConfigure};

}  // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    Globals g;
    if (display) wl_registry_add_listener(wl_display_get_registry(display), &kRegistryListener, &g);
    if (!display || wl_display_roundtrip(display) < 0 || !g.compositor || !g.shm || !g.wmBase || !g.inhibits) {
        std::cerr << "inhibitor: no compositor with xdg-shell and idle-inhibit\n";
        return 1;
    }
    xdg_wm_base_add_listener(g.wmBase, &kWmBaseListener, nullptr);
    wl_surface* surface = wl_compositor_create_surface(g.compositor);
    xdg_surface* role = xdg_wm_base_get_xdg_surface(g.wmBase, surface);
    xdg_surface_add_listener(role, &kSurfaceListener, &g);
    xdg_toplevel_set_title(xdg_surface_get_toplevel(role), "inhibitor");
    wl_surface_commit(surface);
    while (!g.configured && wl_display_dispatch(display) >= 0) {
    }
    constexpr int kSide = 64, kBytes = kSide * kSide * 4;
    const int fd = memfd_create("inhibitor", 0);
    if (fd < 0 || ftruncate(fd, kBytes) != 0) return 1;
    wl_shm_pool* pool = wl_shm_create_pool(g.shm, fd, kBytes);
    wl_surface_attach(surface, wl_shm_pool_create_buffer(pool, 0, kSide, kSide, kSide * 4, WL_SHM_FORMAT_XRGB8888), 0, 0);
    zwp_idle_inhibit_manager_v1_create_inhibitor(g.inhibits, surface);
    wl_surface_commit(surface);
    wl_display_roundtrip(display);
    std::cout << "inhibiting" << std::endl;
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
