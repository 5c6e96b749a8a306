#pragma once
// The output-power protocol's two interfaces (zwlr_output_power_manager_v1
// and zwlr_output_power_v1, version 1), written out from its description:
// wayland-scanner's output is not part of any Debian package we build with.
//   manager: get_output_power(new_id power, object wl_output) = 0, destroy = 1
//   power:   set_mode(uint mode) = 0, destroy = 1; events mode(uint) = 0, failed = 1
#include <wayland-client.h>

#include <cstdint>

namespace sandloop::display::wlr {

extern const wl_interface kOutputPowerManager;
extern const wl_interface kOutputPower;

inline constexpr std::uint32_t kGetOutputPower = 0;
inline constexpr std::uint32_t kSetMode = 0;
inline constexpr std::uint32_t kDestroy = 1;
inline constexpr std::uint32_t kModeOff = 0;
inline constexpr std::uint32_t kModeOn = 1;

// The events of a power object, in the order of the protocol.
struct OutputPowerListener {
  void (*mode)(void* data, wl_proxy* power, std::uint32_t mode);
  void (*failed)(void* data, wl_proxy* power);
};

// A power object for `output`, or null.
inline wl_proxy* GetOutputPower(wl_proxy* manager, wl_output* output) {
  return wl_proxy_marshal_flags(manager, kGetOutputPower, &kOutputPower, wl_proxy_get_version(manager), 0, nullptr,
                                output);
}
inline void ListenToOutputPower(wl_proxy* power, const OutputPowerListener* listener, void* data) {
  wl_proxy_add_listener(power, reinterpret_cast<void (**)(void)>(const_cast<OutputPowerListener*>(listener)), data);
}
// Destroys a manager or a power object (both have `destroy` as request 1).
inline void DestroyPowerProxy(wl_proxy* proxy) {
  wl_proxy_marshal_flags(proxy, kDestroy, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

}  // namespace sandloop::display::wlr
