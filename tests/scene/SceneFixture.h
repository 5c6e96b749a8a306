#pragma once
// A scene on the memory-only display with a private home, a fixed local
// time and fixed random numbers. Offline scenes are stepped by the test
// (no timer thread); online ones run as the saver does, storing settings
// and writing the log into the private home.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "kit/Forms.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "scene/Unit1.h"

namespace sandloop::test {

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hb = display::CreateHeadlessBackend();
    display::SetBackend(hb);
    char pattern[] = "/tmp/sandloop-scene-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home = pattern;
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
    // The sound lock too, so that scenes of tests run side by side each play.
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    TForm1::ResetLastMouse();
  }
  void TearDown() override {
    app.reset();
    display::SetBackend(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }

  // Builds a scene at width x height x 32 with the given "NAME=VALUE"
  // settings for this run. An exception of set-up goes to the application's
  // exception event, as in the program.
  TForm1* Start(int width, int height, std::vector<std::string> settings = {}, bool offline = true) {
    hb->SetModes({{width, height, 32}});
    hb->SetDesktopMode({width, height, 32});
    SceneOptions options;
    options.offline = offline;
    options.seed = 7;
    options.fault = fault;
    options.exact_pixels = exact_pixels;
    for (const std::string& s : settings) {
      std::string error;
      auto o = ParseSettingOverride(s, &error);
      EXPECT_TRUE(o) << error;
      if (o) options.overrides.push_back(*o);
    }
    app = std::make_unique<TApplication>();
    form = app->CreateForm<TForm1>(clock, options);
    form->DDErrorLog1.Reopen(home + "/sandloop");  // a log of this test's own
    try {
      form->FormCreate();
    } catch (const std::exception& e) {
      app->HandleException(e);
    }
    return form;
  }

  bool exact_pixels = false;  // for the scenes Start makes

  std::string StorePath() const { return home + "/config/sandloop/registry.reg"; }
  std::string Log() const { return ReadText(form->DDErrorLog1.OpenedPath()); }
  static std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The stored integer `name`, read back as the next start would.
  int Stored(const std::string& name) {
    TSetReg store(nullptr);
    ConfigureSettingsStore(store);
    int value = -1;
    EXPECT_TRUE(store.Read(name, value)) << name;
    return value;
  }
  // Lines of this run's block of the log that contain `marker`.
  int LogCount(const std::string& marker) const {
    const std::string all = Log();
    const std::string log = all.substr(all.rfind("START AT========>"));
    int n = 0;
    for (std::size_t at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1)) ++n;
    return n;
  }
  void Key(char ch) { hb->PushEvent({display::InputEvent::Kind::KeyPress, 0, ch, 0, 0, 0}); app->ProcessMessages(); }
  void KeyDown(int vk) { hb->PushEvent({display::InputEvent::Kind::KeyDown, vk, 0, 0, 0, 0}); app->ProcessMessages(); }
  void Button(bool down) {
    using Kind = display::InputEvent::Kind;
    hb->PushEvent({down ? Kind::MouseButtonDown : Kind::MouseButtonUp, 0, 0, 80, 60, 0});
    app->ProcessMessages();
  }
  void Mouse(int x, int y) { hb->PushEvent({display::InputEvent::Kind::MouseMove, 0, 0, x, y, 0}); app->ProcessMessages(); }

  std::shared_ptr<display::HeadlessBackend> hb;
  std::string home;
  FixedClock clock{LocalTime{2004, 6, 21, 1, 10, 8, 30, 0}};
  std::unique_ptr<TApplication> app;
  TForm1* form = nullptr;
  FaultPoint fault = FaultPoint::None;  // injected by the next Start
};

}  // namespace sandloop::test
