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
    hb = std::make_shared<HeadlessBackend>();
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

TEST_F(ShellTest, PreviewWaitsForTheWindowThenDrawsThePictureOnce) {
  const HWND host = hb->CreateFormWindow("host");
  hb->VisibleAfterPolls(host, 5);
  EXPECT_EQ(SandloopMain({"/p", std::to_string(host)}), 0);
  const Picture expected = Picture::FromResource("PREV_BITMAP");
  const Picture& drawn = hb->WindowPicture(host);
  ASSERT_EQ(drawn.Width(), 154);
  ASSERT_EQ(drawn.Height(), 116);
  for (int y = 0; y < 116; ++y)
    for (int x = 0; x < 154; ++x) ASSERT_EQ(drawn.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
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
  EXPECT_EQ(hb->WindowPicture(host).Width(), 154);
}

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
}

TEST_F(ShellTest, PasswordChangeSaysTheServiceIsMissing) {
  EXPECT_EQ(SandloopMain({"/a", "77"}), 0);
  ASSERT_EQ(hb->Messages().size(), 1u);
  EXPECT_EQ(hb->Messages()[0].text, "MPR.DLL not found: cannot change password.");
  EXPECT_EQ(hb->Messages()[0].caption, "Screen saver");
  EXPECT_EQ(hb->Messages()[0].owner, 77u);
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
