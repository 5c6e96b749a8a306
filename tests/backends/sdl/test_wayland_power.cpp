// WaylandPower against a compositor of our own that speaks the output-power
// protocol (libwayland-server on a private socket, run on its own thread):
// dark only while every output is off, outputs added and removed, a power
// object the compositor fails, and no compositor or no protocol at all.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <wayland-server.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "kit/ddraw/sdl/WaylandPower.h"
#include "kit/ddraw/sdl/WaylandPowerProtocol.h"

namespace sandloop::display {
namespace {

// A compositor with outputs whose power modes the test sets. Changes are
// queued and carried out on the compositor's thread.
class FakeCompositor {
 public:
  explicit FakeCompositor(bool offer_power) {
    display_ = wl_display_create();
    socket_ = wl_display_add_socket_auto(display_);
    if (offer_power) wl_global_create(display_, &wlr::kOutputPowerManager, 1, this, BindManager);
    thread_ = std::thread([this] {
      wl_event_loop* loop = wl_display_get_event_loop(display_);
      while (!stop_.load()) {
        RunQueued();
        wl_event_loop_dispatch(loop, 5);
        wl_display_flush_clients(display_);
      }
    });
  }
  ~FakeCompositor() {
    stop_.store(true);
    thread_.join();
    wl_display_destroy_clients(display_);
    wl_display_destroy(display_);
    for (Output* o : outputs_) delete o;
  }
  const char* Socket() const { return socket_; }

  // Adds an output (on) and returns its index.
  int AddOutput() {
    std::promise<int> index;
    auto done = index.get_future();
    Queue([this, &index] {
      auto* o = new Output{this, nullptr, true, {}};
      o->global = wl_global_create(display_, &wl_output_interface, 1, o, BindOutput);
      outputs_.push_back(o);
      index.set_value(static_cast<int>(outputs_.size()) - 1);
    });
    return done.get();
  }
  void RemoveOutput(int index) {
    // Removed now, destroyed with the compositor: a client may still bind
    // it until it has heard of the removal.
    Queue([this, index] { wl_global_remove(outputs_[index]->global); });
    Settle();
  }
  // Sets an output's mode and tells every power object of it.
  void SetMode(int index, bool on) {
    Queue([this, index, on] {
      Output* o = outputs_[index];
      o->on = on;
      for (wl_resource* p : o->powers) wl_resource_post_event(p, 0, on ? wlr::kModeOn : wlr::kModeOff);
    });
    Settle();
  }
  // The compositor gives up on every power object of an output.
  void FailPowers(int index) {
    Queue([this, index] {
      for (wl_resource* p : outputs_[index]->powers) wl_resource_post_event(p, 1);
    });
    Settle();
  }
  // Waits until the queue has run and the events have reached the socket.
  void Settle() {
    std::promise<void> p;
    auto f = p.get_future();
    Queue([&p] { p.set_value(); });
    f.get();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }

 private:
  struct Output {
    FakeCompositor* self;
    wl_global* global;
    bool on;
    std::vector<wl_resource*> powers;
  };

  void Queue(std::function<void()> f) {
    std::lock_guard<std::mutex> g(mutex_);
    queue_.push_back(std::move(f));
  }
  void RunQueued() {
    std::vector<std::function<void()>> now;
    {
      std::lock_guard<std::mutex> g(mutex_);
      now.swap(queue_);
    }
    for (auto& f : now) f();
  }

  static void BindOutput(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
    wl_resource* r = wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
    wl_resource_set_implementation(r, nullptr, data, nullptr);
  }
  static void BindManager(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
    wl_resource* r = wl_resource_create(client, &wlr::kOutputPowerManager, static_cast<int>(version), id);
    wl_resource_set_implementation(r, &kManagerImpl, data, nullptr);
  }
  static void GetOutputPower(wl_client* client, wl_resource* manager, std::uint32_t id, wl_resource* output) {
    auto* o = static_cast<Output*>(wl_resource_get_user_data(output));
    wl_resource* p = wl_resource_create(client, &wlr::kOutputPower, wl_resource_get_version(manager), id);
    wl_resource_set_implementation(p, &kPowerImpl, o, [](wl_resource* r) {
      auto* out = static_cast<Output*>(wl_resource_get_user_data(r));
      std::erase(out->powers, r);
    });
    o->powers.push_back(p);
    wl_resource_post_event(p, 0, o->on ? wlr::kModeOn : wlr::kModeOff);
  }
  static void Destroy(wl_client*, wl_resource* r) { wl_resource_destroy(r); }
  static void SetModeRequest(wl_client*, wl_resource*, std::uint32_t) {}
  struct ManagerImpl {
    void (*get_output_power)(wl_client*, wl_resource*, std::uint32_t, wl_resource*);
    void (*destroy)(wl_client*, wl_resource*);
  };
  struct PowerImpl {
    void (*set_mode)(wl_client*, wl_resource*, std::uint32_t);
    void (*destroy)(wl_client*, wl_resource*);
  };
  static constexpr ManagerImpl kManagerImpl = {GetOutputPower, Destroy};
  static constexpr PowerImpl kPowerImpl = {SetModeRequest, Destroy};

  wl_display* display_ = nullptr;
  const char* socket_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::function<void()>> queue_;
  std::vector<Output*> outputs_;  // the compositor's thread only
};

class WaylandPowerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/sandloop-wlpower-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    runtime_ = pattern;
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(runtime_); }
  std::string runtime_;
};

TEST_F(WaylandPowerTest, DarkOnlyWhileEveryOutputIsOff) {
  FakeCompositor c(true);
  const int a = c.AddOutput(), b = c.AddOutput();
  setenv("WAYLAND_DISPLAY", c.Socket(), 1);
  auto power = WaylandPower::Open();
  ASSERT_NE(power, nullptr);
  EXPECT_FALSE(power->Dark());
  c.SetMode(a, false);
  EXPECT_FALSE(power->Dark()) << "the other output still shows";
  c.SetMode(b, false);
  EXPECT_TRUE(power->Dark());
  c.SetMode(a, true);
  EXPECT_FALSE(power->Dark());
  c.SetMode(a, false);
  EXPECT_TRUE(power->Dark());
  // An output plugged in while the others sleep shows: not dark.
  const int added = c.AddOutput();
  c.Settle();
  EXPECT_FALSE(power->Dark());
  // Unplugged again: the rest are off, and their changes still count.
  c.RemoveOutput(added);
  EXPECT_TRUE(power->Dark());
  c.SetMode(a, true);
  EXPECT_FALSE(power->Dark());
  c.SetMode(a, false);
  EXPECT_TRUE(power->Dark());
  // A power object the compositor gives up on counts as showing.
  c.FailPowers(b);
  EXPECT_FALSE(power->Dark());
}

TEST_F(WaylandPowerTest, NoCompositorOrNoProtocolGivesNothing) {
  setenv("WAYLAND_DISPLAY", "sandloop-nobody-here", 1);
  EXPECT_EQ(WaylandPower::Open(), nullptr);
  FakeCompositor c(false);
  c.AddOutput();
  setenv("WAYLAND_DISPLAY", c.Socket(), 1);
  EXPECT_EQ(WaylandPower::Open(), nullptr);
}

TEST_F(WaylandPowerTest, ACompositorThatGoesAwayIsNotDark) {
  std::unique_ptr<WaylandPower> power;
  {
    FakeCompositor c(true);
    c.SetMode(c.AddOutput(), false);
    setenv("WAYLAND_DISPLAY", c.Socket(), 1);
    power = WaylandPower::Open();
    ASSERT_NE(power, nullptr);
    EXPECT_TRUE(power->Dark());
  }
  EXPECT_FALSE(power->Dark());
  EXPECT_FALSE(power->Dark());
}

}  // namespace
}  // namespace sandloop::display
