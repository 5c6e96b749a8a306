// A client of the output-power protocol that only listens to the outputs'
// modes.
#include "kit/ddraw/sdl/WaylandPower.h"

#include <poll.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "kit/ddraw/sdl/WaylandPowerProtocol.h"

namespace sandloop::display {

namespace wlr {

namespace {
const wl_interface* kTypes[] = {nullptr, &kOutputPower, &wl_output_interface};
const wl_message kManagerRequests[] = {{"get_output_power", "no", kTypes + 1}, {"destroy", "", kTypes}};
const wl_message kPowerRequests[] = {{"set_mode", "u", kTypes}, {"destroy", "", kTypes}};
const wl_message kPowerEvents[] = {{"mode", "u", kTypes}, {"failed", "", kTypes}};
}  // namespace

const wl_interface kOutputPowerManager = {"zwlr_output_power_manager_v1", 1, 2, kManagerRequests, 0, nullptr};
const wl_interface kOutputPower = {"zwlr_output_power_v1", 1, 2, kPowerRequests, 2, kPowerEvents};

}  // namespace wlr

namespace {

struct Output {
  std::uint32_t name = 0;
  wl_output* output = nullptr;
  wl_proxy* power = nullptr;
  bool off = false;
};

}  // namespace

struct WaylandPower::State {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_proxy* manager = nullptr;
  std::vector<Output*> outputs;
  bool broken = false;

  ~State() {
    if (display == nullptr) return;
    for (Output* o : outputs) Drop(o);
    if (manager != nullptr) wlr::DestroyPowerProxy(manager);
    if (registry != nullptr) wl_registry_destroy(registry);
    wl_display_disconnect(display);
  }

  static void Drop(Output* o) {
    if (o->power != nullptr) wlr::DestroyPowerProxy(o->power);
    if (o->output != nullptr) wl_output_destroy(o->output);
    delete o;
  }

  void Watch(Output* o) {
    if (manager == nullptr || o->power != nullptr) return;
    o->power = wlr::GetOutputPower(manager, o->output);
    if (o->power != nullptr) wlr::ListenToOutputPower(o->power, &kPowerListener, o);
  }

  static void OnMode(void* data, wl_proxy*, std::uint32_t mode) {
    static_cast<Output*>(data)->off = mode == wlr::kModeOff;
  }
  // The compositor will say nothing more of this output: count it as on.
  static void OnFailed(void* data, wl_proxy*) {
    auto* o = static_cast<Output*>(data);
    wlr::DestroyPowerProxy(o->power);
    o->power = nullptr;
    o->off = false;
  }
  static constexpr wlr::OutputPowerListener kPowerListener = {OnMode, OnFailed};

  static void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    auto* self = static_cast<State*>(data);
    if (std::strcmp(interface, wl_output_interface.name) == 0) {
      auto* o = new Output;
      o->name = name;
      o->output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
      self->outputs.push_back(o);
      self->Watch(o);
    } else if (std::strcmp(interface, wlr::kOutputPowerManager.name) == 0 && self->manager == nullptr) {
      self->manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &wlr::kOutputPowerManager, 1));
      for (Output* o : self->outputs) self->Watch(o);
    }
  }

  static void OnGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    auto* self = static_cast<State*>(data);
    for (auto it = self->outputs.begin(); it != self->outputs.end(); ++it)
      if ((*it)->name == name) {
        Drop(*it);
        self->outputs.erase(it);
        return;
      }
  }
  static constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

  // Handles whatever events have arrived, without waiting for more.
  void ReadArrived() {
    if (broken) return;
    while (wl_display_prepare_read(display) != 0)
      if (wl_display_dispatch_pending(display) < 0) return void(broken = true);
    wl_display_flush(display);
    pollfd p{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&p, 1, 0) > 0) {
      if (wl_display_read_events(display) < 0) return void(broken = true);
    } else {
      wl_display_cancel_read(display);
    }
    if (wl_display_dispatch_pending(display) < 0) return void(broken = true);
    wl_display_flush(display);  // what the handlers asked for (a new output's power object)
  }
};

std::unique_ptr<WaylandPower> WaylandPower::Open() {
  auto state = std::make_unique<State>();
  state->display = wl_display_connect(nullptr);
  if (state->display == nullptr) return nullptr;
  state->registry = wl_display_get_registry(state->display);
  wl_registry_add_listener(state->registry, &State::kRegistryListener, state.get());
  // The globals, then each output's first mode.
  if (wl_display_roundtrip(state->display) < 0 || state->manager == nullptr) return nullptr;
  if (wl_display_roundtrip(state->display) < 0) return nullptr;
  std::unique_ptr<WaylandPower> power(new WaylandPower);
  power->state_ = std::move(state);
  return power;
}

WaylandPower::~WaylandPower() = default;

bool WaylandPower::Dark() {
  State& s = *state_;
  s.ReadArrived();
  if (s.broken || s.outputs.empty()) return false;
  for (const Output* o : s.outputs)
    if (!o->off) return false;
  return true;
}

}  // namespace sandloop::display
