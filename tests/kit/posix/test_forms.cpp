// Ending from outside: the window system's quit request and the termination
// signals reach the main form's quit handler once, on the loop's thread,
// also while the loop draws frames; a form without a handler just closes.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "kit/Forms.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "kit/ddraw/platform.h"

namespace sandloop {
namespace {

using display::CreateHeadlessBackend;
using display::HeadlessBackend;
using display::InputEvent;

// A form that ends in its own order: counts the requests and where they ran.
struct OrderlyForm : TForm {
  explicit OrderlyForm(TApplication& app, bool close = true) : TForm(app, "orderly"), close_(close) {}
  void FormQuit() override {
    ++requests;
    thread = std::this_thread::get_id();
    if (close_) Close();
  }
  int requests = 0;
  std::thread::id thread;
  bool close_;
};

class QuitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hb = CreateHeadlessBackend();
    display::SetBackend(hb);
    InstallQuitSignalHandlers();
  }
  void TearDown() override {
    // Nothing of a test's signals may reach the next test, nor ^C later.
    for (int s : {SIGTERM, SIGINT, SIGHUP}) ::signal(s, SIG_DFL);
    (void)TakeQuitSignal();
    display::SetBackend(nullptr);
  }
  // Runs the loop drawing frames (idle never done) until it ends, or
  // terminates it after five seconds so that a fault fails instead of hanging.
  static int RunDrawing(TApplication& app) {
    int frames = 0;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    app.OnIdle = [&](bool& done) {
      done = false;
      ++frames;
      if (std::chrono::steady_clock::now() > give_up) app.Terminate();
    };
    app.Run();
    return frames;
  }
  std::shared_ptr<HeadlessBackend> hb;
};

class QuitSignalTest : public QuitTest, public ::testing::WithParamInterface<int> {};

TEST_P(QuitSignalTest, ASignalBecomesOneQuitRequestOfTheMainForm) {
  TApplication app;
  auto* form = app.CreateForm<OrderlyForm>();
  ASSERT_EQ(::raise(GetParam()), 0);  // the process goes on
  EXPECT_EQ(QuitSignalPending(), GetParam());
  RunDrawing(app);
  EXPECT_EQ(form->requests, 1);
  EXPECT_EQ(form->thread, std::this_thread::get_id());
  EXPECT_FALSE(app.Terminated());  // ended by the form closing, not by the give-up
  EXPECT_EQ(QuitSignalPending(), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, QuitSignalTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST_F(QuitTest, ASignalFromAnotherThreadReachesALoopThatIsDrawing) {
  TApplication app;
  auto* form = app.CreateForm<OrderlyForm>();
  std::thread sender([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ::kill(::getpid(), SIGTERM);
  });
  const int frames = RunDrawing(app);
  sender.join();
  EXPECT_GT(frames, 0);  // the loop was drawing when the signal came
  EXPECT_EQ(form->requests, 1);
  EXPECT_EQ(form->thread, std::this_thread::get_id());
  EXPECT_FALSE(app.Terminated());
}

TEST_F(QuitTest, ARequestThatDoesNotEndTheFormIsNotRepeated) {
  TApplication app;
  auto* form = app.CreateForm<OrderlyForm>(false);
  ::raise(SIGTERM);
  app.ProcessMessages();
  app.ProcessMessages();
  EXPECT_EQ(form->requests, 1);
  EXPECT_FALSE(form->Closed());
}

TEST_F(QuitTest, AClosedWindowAsksItsFormAndTheDefaultCloses) {
  TApplication app;
  auto* main = app.CreateForm<OrderlyForm>(false);
  struct Plain : TForm {
    explicit Plain(TApplication& a) : TForm(a, "plain") {}
  };
  auto* other = app.CreateForm<Plain>();
  InputEvent close;
  close.kind = InputEvent::Kind::Quit;
  close.window = other->Handle();
  hb->PushEvent(close);
  app.ProcessMessages();
  EXPECT_TRUE(other->Closed());
  EXPECT_EQ(main->requests, 0);
  // The window system's quit without a window goes to the main form.
  hb->PushEvent({InputEvent::Kind::Quit, 0, 0, 0, 0, 0});
  app.ProcessMessages();
  EXPECT_EQ(main->requests, 1);
}

TEST_F(QuitTest, AnExceptionInTheQuitHandlerGoesToTheExceptionEvent) {
  TApplication app;
  struct Failing : TForm {
    explicit Failing(TApplication& a) : TForm(a, "failing") {}
    void FormQuit() override { throw std::runtime_error("cannot finish"); }
  };
  app.CreateForm<Failing>();
  std::string caught;
  app.OnException = [&](TComponent*, const std::exception& e) { caught = e.what(); };
  ::raise(SIGHUP);
  app.ProcessMessages();
  EXPECT_EQ(caught, "cannot finish");
}

using QuitDeathTest = QuitTest;

TEST_F(QuitDeathTest, ASecondSignalEndsTheProcessAtOnceUnlessItCameWithTheFirst) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallQuitSignalHandlers();
        ::raise(SIGTERM);
        ::raise(SIGTERM);  // the same request, sent to the process and its group
        std::_Exit(QuitSignalPending() == SIGTERM ? 3 : 4);
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_EXIT(
      {
        InstallQuitSignalHandlers();
        ::raise(SIGTERM);
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        ::raise(SIGTERM);
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
}

TEST_F(QuitDeathTest, WithNoFormToEndInOrderTheSignalEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallQuitSignalHandlers();
        ::raise(SIGINT);
        TApplication app;  // a mode without forms, such as the preview
        app.ProcessMessages();
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
}

}  // namespace
}  // namespace sandloop
