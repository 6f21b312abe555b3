#include "wayland/output.h"

#include <algorithm>

namespace {

template <typename... Args>
void Ignore(void*, Args...)
{
}

void OnDone(void* data, wl_output*) { static_cast<WaylandOutput*>(data)->described = true; }

void OnScale(void* data, wl_output*, int32_t factor) { static_cast<WaylandOutput*>(data)->scale = factor > 0 ? factor : 1; }

void OnName(void* data, wl_output*, const char* name) { static_cast<WaylandOutput*>(data)->name = name; }

const wl_output_listener kOutputListener = {
    Ignore<wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*, int32_t>,
    Ignore<wl_output*, uint32_t, int32_t, int32_t, int32_t>,
    OnDone,
    OnScale,
    OnName,
    Ignore<wl_output*, const char*>,
};

}  // namespace

std::unique_ptr<WaylandOutput> BindOutput(wl_registry* registry, uint32_t name, uint32_t version)
{
    auto output = std::make_unique<WaylandOutput>();
    output->globalName = name;
    output->version = std::min(version, 4u);
    output->output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, output->version));
    wl_output_add_listener(output->output, &kOutputListener, output.get());
    return output;
}

void CloseOutput(WaylandOutput& output)
{
    if (output.output) {
        if (output.version >= WL_OUTPUT_RELEASE_SINCE_VERSION)
            wl_output_release(output.output);
        else
            wl_output_destroy(output.output);
    }
    output.output = nullptr;
}

WaylandOutput* OutputOf(wl_output* handle)
{
    const auto* proxy = reinterpret_cast<wl_proxy*>(handle);
    if (!handle || wl_proxy_get_listener(const_cast<wl_proxy*>(proxy)) != &kOutputListener) return nullptr;
    return static_cast<WaylandOutput*>(wl_output_get_user_data(handle));
}
