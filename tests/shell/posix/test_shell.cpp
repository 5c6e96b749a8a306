// The entry point: the mode switch, the integer conversion, and each mode
// run on the headless display (preview, password change, configuration and
// the scene's run mode with its log and settings).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "kit/Forms.h"
#include "kit/Picture.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "scene/Unit1.h"
#include "shell/Shell.h"

namespace sandloop {
namespace {

using display::CreateHeadlessBackend;
using display::HeadlessBackend;
using display::InputEvent;
using display::Op;

TEST(ParseRunMode, TheDispatchTable) {
  const struct {
    const char* arg;
    RunMode mode;
  } cases[] = {
      {"", RunMode::Run},          {"s", RunMode::Run},          {"/", RunMode::Run},
      {"/S", RunMode::Run},        {"/s", RunMode::Run},         {"-s", RunMode::Run},
      {"Zs", RunMode::Run},        {"xs", RunMode::Run},         {"/c", RunMode::Configuration},
      {"/c:4321", RunMode::Configuration}, {"-C", RunMode::Configuration}, {"/p", RunMode::Preview},
      {"/P", RunMode::Preview},    {"/a", RunMode::PasswordChange}, {"/x", RunMode::Run},
      {"pp", RunMode::Preview},    {"//c", RunMode::Run},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseRunMode(c.arg), c.mode) << "argument '" << c.arg << "'";
}

TEST(StrToInt, ReadsWholeNumbersAndNamesWhatItCannotRead) {
  EXPECT_EQ(StrToInt("1234"), 1234);
  EXPECT_EQ(StrToInt(" 42 "), 42);
  EXPECT_EQ(StrToInt("-7"), -7);
  EXPECT_EQ(StrToInt("0x1A"), 26);
  EXPECT_EQ(StrToInt("$ff"), 255);
  EXPECT_EQ(StrToInt("4294967295"), 4294967295LL);
  for (const char* bad : {"abc", "", "12a", "0x", "-", "4294967296", "1 2"}) {
    try {
      (void)StrToInt(bad);
      ADD_FAILURE() << "'" << bad << "' was accepted";
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
    }
  }
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hb = CreateHeadlessBackend();
    display::SetBackend(hb);
    char pattern[] = "/tmp/sandloop-shell-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home = pattern;
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
  }
  void TearDown() override {
    display::SetBackend(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : hb->Messages()) out.push_back(m.caption + "|" + m.text);
    return out;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::shared_ptr<HeadlessBackend> hb;
  std::string home;
};

// The picture covers the host's client area, whatever its size: twice the
// picture's size repeats every pixel, half of it averages each 2 x 2
// block, and "/p:HWND" names the window as "/p HWND" does.
TEST_F(ShellTest, PreviewWaitsForTheWindowThenFillsIt) {
  const Picture source = Picture::FromResource("PREV_BITMAP");
  ASSERT_EQ(source.Width(), 154);
  ASSERT_EQ(source.Height(), 116);
  const HWND host = 0x4300002;
  hb->AddForeignWindow(host, 308, 232);
  hb->VisibleAfterPolls(host, 5);
  EXPECT_EQ(SandloopMain({"/p", std::to_string(host)}), 0);
  const Picture& drawn = hb->WindowPicture(host);
  ASSERT_EQ(drawn.Width(), 308);
  ASSERT_EQ(drawn.Height(), 232);
  for (int y = 0; y < 232; ++y)
    for (int x = 0; x < 308; ++x) ASSERT_EQ(drawn.Pixel(x, y), source.Pixel(x / 2, y / 2)) << x << "," << y;

  const HWND small = 0x4300003;
  hb->AddForeignWindow(small, 77, 58);
  EXPECT_EQ(SandloopMain({"/p:" + std::to_string(small)}), 0);
  const Picture& half = hb->WindowPicture(small);
  ASSERT_EQ(half.Width(), 77);
  ASSERT_EQ(half.Height(), 58);
  for (int y = 0; y < 58; ++y)
    for (int x = 0; x < 77; ++x)
      for (int shift : {0, 8, 16}) {
        int sum = 0;
        for (int k = 0; k < 4; ++k) sum += (source.Pixel(2 * x + k % 2, 2 * y + k / 2) >> shift) & 0xFF;
        ASSERT_NEAR((half.Pixel(x, y) >> shift) & 0xFF, sum / 4.0, 1.0) << x << "," << y;
      }
  EXPECT_TRUE(hb->Messages().empty());
}

TEST_F(ShellTest, PreviewRunsUntilTheHostWindowGoesWhereTheBackEndRepaintsIt) {
  hb->SetKeepsPictures(true);
  const HWND host = 0x4300001;
  hb->AddForeignWindow(host, 320, 240);
  hb->DestroyAfterPolls(host, 12);
  EXPECT_EQ(SandloopMain({"/p", std::to_string(host)}), 0);
  EXPECT_FALSE(hb->WindowExists(host));
  EXPECT_TRUE(hb->Messages().empty());
  // Drawn once, the picture cannot be kept: the preview ends at once.
  hb->SetKeepsPictures(false);
  hb->AddForeignWindow(host, 320, 240);
  hb->DestroyAfterPolls(host, 12);
  EXPECT_EQ(SandloopMain({"/p", std::to_string(host)}), 0);
  EXPECT_TRUE(hb->WindowExists(host));
  EXPECT_EQ(hb->WindowPicture(host).Width(), 320);
}

// A bad number is reported by both conventions. A window that is gone
// before the preview starts is reported to a person who typed it, and
// passed over in silence where Windows' settings dropped it.
TEST_F(ShellTest, PreviewWithABadHandleReportsIt) {
  EXPECT_EQ(SandloopMain({"/p", "abc"}), 0);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sandloop|'abc' is not a valid integer value"});
  hb->ClearMessages();
  EXPECT_EQ(SandloopMain({"/p"}), 0);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sandloop|'' is not a valid integer value"});
  hb->ClearMessages();
  // A window that does not exist would never become visible.
  EXPECT_EQ(SandloopMain({"/p", "987654"}), 0);
  ASSERT_EQ(hb->Messages().size(), 1u);
  EXPECT_NE(hb->Messages()[0].text.find("987654"), std::string::npos);
  hb->ClearMessages();

  ShellHooks windows;
  windows.convention = Convention::Windows;
  EXPECT_EQ(SandloopMain({"/p:987654"}, {}, windows), 0);
  EXPECT_EQ(SandloopMain({"/p", "987654"}, {}, windows), 0);
  // Gone while the preview waits for it to show.
  const HWND host = 0x4300004;
  hb->AddForeignWindow(host, 320, 240);
  hb->VisibleAfterPolls(host, 20);
  hb->DestroyAfterPolls(host, 3);
  EXPECT_EQ(SandloopMain({"/p", std::to_string(host)}, {}, windows), 0);
  EXPECT_TRUE(hb->Messages().empty());
  EXPECT_EQ(SandloopMain({"/p:abc"}, {}, windows), 0);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sandloop|'abc' is not a valid integer value"});
}

TEST_F(ShellTest, PasswordChangeSaysTheServiceIsMissing) {
  EXPECT_EQ(SandloopMain({"/a", "77"}), 0);
  ASSERT_EQ(hb->Messages().size(), 1u);
  EXPECT_EQ(hb->Messages()[0].text, "MPR.DLL not found: cannot change password.");
  EXPECT_EQ(hb->Messages()[0].caption, "Screen saver");
  EXPECT_EQ(hb->Messages()[0].owner, 77u);
}

// Without an argument Windows asks for the settings; elsewhere the saver
// runs.
TEST_F(ShellTest, NoArgumentConfiguresOnWindowsAndRunsElsewhere) {
  std::vector<std::string> titles;
  ShellHooks hooks;
  hooks.configure = [&](const std::string& title) { titles.push_back(title); };
  hooks.convention = Convention::Windows;
  // A key would end a scene started by mistake.
  hb->PushEvent({InputEvent::Kind::KeyPress, 0, ' ', 0, 0, 0});
  EXPECT_EQ(SandloopMain({}, {}, hooks), 0);
  EXPECT_EQ(titles, std::vector<std::string>{"Tidewalk Beach Screensaver"});
  EXPECT_EQ(hb->Calls(Op::SetDisplayMode), 0);

  hooks.convention = Convention::Posix;
  hb->PushEvent({InputEvent::Kind::KeyPress, 0, ' ', 0, 0, 0});
  EXPECT_EQ(SandloopMain({}, {}, hooks), 0);
  EXPECT_EQ(titles.size(), 1u);
  EXPECT_GE(hb->Calls(Op::SetDisplayMode), 1);
}

TEST_F(ShellTest, ConfigurationSaysWhatIsAvailable) {
  EXPECT_EQ(SandloopMain({"/c:4321"}), 0);
  ASSERT_EQ(hb->Messages().size(), 1u);
  EXPECT_EQ(hb->Messages()[0].caption, "Screen saver");
  EXPECT_FALSE(hb->Exclusive());
}

TEST_F(ShellTest, RunModeDrawsUntilAKeyAndEndsInOrder) {
  hb->SetDesktopMode({1024, 768, 32});
  // The key arrives after some frames were drawn: the loop keeps drawing
  // while no input is waiting.
  TApplication app;
  TForm1* form = app.CreateForm<TForm1>();
  form->FormCreate();
  ASSERT_TRUE(hb->Exclusive());
  EXPECT_EQ(hb->CurrentMode(), (display::DisplayMode{1024, 768, 32}));
  int frames = 0;
  const auto idle = app.OnIdle;
  ASSERT_TRUE(idle);
  app.OnIdle = [&](bool& done) {
    idle(done);
    EXPECT_FALSE(done);
    if (++frames == 5) hb->PushEvent({InputEvent::Kind::KeyDown, 'A', 0, 0, 0, 0});
  };
  app.Run();
  EXPECT_EQ(frames, 5);
  EXPECT_TRUE(form->Finished());
  EXPECT_TRUE(form->Closed());
  EXPECT_FALSE(hb->Exclusive());
  EXPECT_GE(hb->Presents(), 2);  // the flip of set-up, then frames that show something new

  // The first run stored all the settings.
  const std::string store = ReadFile(home + "/config/sandloop/registry.reg");
  EXPECT_NE(store.find("\"ResHor\"=dword:00000400"), std::string::npos) << store;
  // The log holds this run's block.
  const std::string log = ReadFile(form->DDErrorLog1.OpenedPath());
  const auto start = log.rfind("*************************************\nSTART AT========>: ");
  ASSERT_NE(start, std::string::npos) << log;
  EXPECT_NE(log.find("FINISH AT=======>: ", start), std::string::npos) << log;
}

TEST_F(ShellTest, ADisplayThatCannotOpenEndsTheRunWithALogLine) {
  hb->FailOnce(Op::SetDisplayMode, E_FAIL);
  TApplication app;
  TForm1* form = app.CreateForm<TForm1>();
  form->FormCreate();
  EXPECT_TRUE(form->Finished());
  EXPECT_FALSE(app.OnIdle);  // no frame is ever drawn
  app.Run();                 // returns at once
  const std::string log = ReadFile(form->DDErrorLog1.OpenedPath());
  const auto error = log.rfind("DDmain1Error: Error SetDisplayMode\n");
  ASSERT_NE(error, std::string::npos) << log;
  EXPECT_NE(log.find("FINISH AT=======>", error), std::string::npos);
  EXPECT_EQ(hb->Presents(), 0);
}

TEST_F(ShellTest, RunModeThroughTheEntryPointReturnsZero) {
  hb->PushEvent({InputEvent::Kind::KeyPress, 0, ' ', 0, 0, 0});
  EXPECT_EQ(SandloopMain({"/s"}), 0);
  EXPECT_FALSE(hb->Exclusive());
  EXPECT_TRUE(hb->Messages().empty());
}

}  // namespace
}  // namespace sandloop
