// The three ways of the password change on Windows, each taken with a
// loader and a message sink of the test's own: Wine's MPR.DLL has the
// procedure, so a run of /a under Wine takes only the third.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/Password.h"
#include "shell/win32/PasswordChange.h"

namespace sandloop::password {
namespace {

struct Said {
  HWND owner;
  std::string text, caption;
};

struct Call {
  std::string provider;
  HWND parent;
  DWORD reserved;
  LPVOID reserved2;
};
std::vector<Call> calls;

DWORD WINAPI FakeChange(LPCSTR provider, HWND parent, DWORD reserved, LPVOID reserved2) {
  calls.push_back({provider, parent, reserved, reserved2});
  return 0;
}

class PasswordChange : public ::testing::Test {
 protected:
  void SetUp() override { calls.clear(); }
  MessageSink Sink() {
    return [this](HWND owner, const std::string& text, const std::string& caption) {
      said.push_back({owner, text, caption});
    };
  }
  // The library as a loader hands it over; `freed` counts its release.
  Library Loaded(PwdChangePasswordProc change) {
    Library library;
    library.found = true;
    library.change = change;
    library.hold = std::shared_ptr<void>(&freed, [](void* count) { ++*static_cast<int*>(count); });
    return library;
  }
  std::vector<Said> said;
  int freed = 0;
  HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
};

TEST_F(PasswordChange, WithoutTheLibraryItSaysSo) {
  ChangePassword(owner, [] { return Library{}; }, Sink());
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].owner, owner);
  EXPECT_EQ(said[0].text, "MPR.DLL not found: cannot change password.");
  EXPECT_EQ(said[0].caption, "Screen saver");
  EXPECT_TRUE(calls.empty());
}

// 64-bit Windows: MPR.DLL is there, its procedure is not.
TEST_F(PasswordChange, WithoutTheProcedureItSaysSoAndLetsTheLibraryGo) {
  ChangePassword(owner, [this] { return Loaded(nullptr); }, Sink());
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].owner, owner);
  EXPECT_EQ(said[0].text, "PwdChangeProc not found: cannot change password");
  EXPECT_EQ(said[0].caption, "Screen saver");
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(freed, 1);
}

TEST_F(PasswordChange, TheProcedureRunsForTheSaverWithoutAMessage) {
  ChangePassword(owner, [this] { return Loaded(FakeChange); }, Sink());
  EXPECT_TRUE(said.empty());
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].provider, "SCRSAVE");
  EXPECT_EQ(calls[0].parent, owner);
  EXPECT_EQ(calls[0].reserved, 0u);
  EXPECT_EQ(calls[0].reserved2, nullptr);
  EXPECT_EQ(freed, 1);
}

// The system's loader: MPR.DLL is part of every Windows (and of Wine).
TEST_F(PasswordChange, TheSystemHasTheLibrary) {
  const Library mpr = LoadMpr();
  EXPECT_TRUE(mpr.found);
  EXPECT_NE(mpr.hold, nullptr);
}

}  // namespace
}  // namespace sandloop::password
