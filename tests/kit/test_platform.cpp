// The system services beside the display: the program's sound, the cursor
// count and "a saver runs", each through the layer onto the headless back
// end, which records what a real system would have been told.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "kit/ddraw/headless/HeadlessBackend.h"
#include "kit/ddraw/platform.h"

namespace sandloop {
namespace {

using display::CreateHeadlessBackend;
using display::HeadlessBackend;
using Kind = HeadlessBackend::SoundCall::Kind;

constexpr DWORD kSceneSound = 0x4000D;  // what the scene asks with

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hb = CreateHeadlessBackend();
    display::SetBackend(hb);
  }
  void TearDown() override { display::SetBackend(nullptr); }
  std::shared_ptr<HeadlessBackend> hb;
};

TEST_F(PlatformTest, TheEmbeddedSurfLoopsUntilPurged) {
  static_assert(kSceneSound == (SND_RESOURCE | SND_LOOP | SND_ASYNC));
  std::string why;
  // The resource is "SOUNDNAME"; the name is compared without regard to case.
  EXPECT_EQ(PlaySoundA("SoundName", nullptr, kSceneSound, &why), 1) << why;
  EXPECT_TRUE(hb->SoundPlaying());
  EXPECT_EQ(PlaySoundA(nullptr, nullptr, SND_PURGE), 1);
  EXPECT_FALSE(hb->SoundPlaying());
  const auto calls = hb->SoundCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, Kind::Play);
  EXPECT_EQ(calls[0].name, "SoundName");
  EXPECT_EQ(calls[0].flags, kSceneSound);
  EXPECT_TRUE(calls[0].loop);
  EXPECT_EQ(calls[0].bytes, 198746u);
  EXPECT_EQ(calls[1].kind, Kind::Stop);
}

TEST_F(PlatformTest, NoAudioDeviceFailsQuietlyWithAReason) {
  hb->SetAudioAvailable(false);
  std::string why;
  EXPECT_EQ(PlaySoundA("SOUNDNAME", nullptr, kSceneSound, &why), 0);
  EXPECT_EQ(why, "no audio device");
  EXPECT_FALSE(hb->SoundPlaying());
  EXPECT_EQ(hb->SoundCalls().size(), 1u);  // asked, and refused by the device
  // Stopping a sound that never started is harmless.
  EXPECT_EQ(PlaySoundA(nullptr, nullptr, SND_PURGE), 1);
  EXPECT_TRUE(hb->Messages().empty());
}

TEST_F(PlatformTest, RequestsThatCannotBePlayedNeverReachTheDevice) {
  std::string why;
  EXPECT_EQ(PlaySoundA("NoSuchSound", nullptr, kSceneSound, &why), 0);
  EXPECT_EQ(why, "no sound resource \"NoSuchSound\"");
  EXPECT_EQ(PlaySoundA("SoundName", nullptr, SND_RESOURCE | SND_LOOP, &why), 0);  // a loop must be async
  EXPECT_EQ(why, "a looping sound must be played asynchronously");
  EXPECT_EQ(PlaySoundA("/tmp/surf.wav", nullptr, SND_ASYNC, &why), 0);  // files are not the program's own
  EXPECT_EQ(hb->SoundCalls().size(), 0u);
  // A resource that is no WAVE file reaches the device and is refused there.
  EXPECT_EQ(PlaySoundA("PREV_BITMAP", nullptr, SND_RESOURCE | SND_ASYNC, &why), 0);
  EXPECT_EQ(why, "not a WAVE file");
  EXPECT_FALSE(hb->SoundPlaying());
}

TEST_F(PlatformTest, NoStopLeavesAPlayingSoundAloneAndASyncSoundWaits) {
  ASSERT_EQ(PlaySoundA("SoundName", nullptr, kSceneSound), 1);
  EXPECT_EQ(PlaySoundA("SoundName", nullptr, SND_RESOURCE | SND_ASYNC | SND_NOSTOP), 0);
  EXPECT_TRUE(hb->SoundPlaying());
  // Played once and synchronously: the call returns when it has ended.
  EXPECT_EQ(PlaySoundA("SoundName", nullptr, SND_RESOURCE), 1);
  EXPECT_FALSE(hb->SoundPlaying());
  const auto calls = hb->SoundCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_FALSE(calls[1].loop);
}

TEST_F(PlatformTest, TheCursorShowsWhileTheCountIsNotNegative) {
  EXPECT_TRUE(hb->CursorVisible());
  EXPECT_EQ(ShowCursor(0), -1);
  EXPECT_FALSE(hb->CursorVisible());
  EXPECT_EQ(ShowCursor(0), -2);
  EXPECT_EQ(ShowCursor(1), -1);
  EXPECT_FALSE(hb->CursorVisible());  // one show does not undo two hides
  EXPECT_EQ(ShowCursor(1), 0);
  EXPECT_TRUE(hb->CursorVisible());
  EXPECT_EQ(ShowCursor(1), 1);
  EXPECT_EQ(ShowCursor(0), 0);
  EXPECT_TRUE(hb->CursorVisible());
  EXPECT_EQ(hb->CursorCount(), 0);
}

TEST_F(PlatformTest, TellingTheSystemThatASaverRuns) {
  BOOL before = 7;
  EXPECT_EQ(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, &before, 0), 1);
  EXPECT_EQ(before, 0);
  EXPECT_TRUE(hb->SaverRunning());
  EXPECT_EQ(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, &before, 0), 1);
  EXPECT_EQ(before, 1);
  EXPECT_FALSE(hb->SaverRunning());
  EXPECT_EQ(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, nullptr, 0), 1);  // no scratch value
  EXPECT_EQ(SystemParametersInfoA(17 /* SPI_SETSCREENSAVETIMEOUT */, 60, nullptr, 0), 0);
  EXPECT_EQ(hb->SaverCalls(), (std::vector<bool>{true, false, true}));
}

TEST(PlatformWithoutBackEnd, EveryCallFailsOrDoesNothing) {
  display::SetBackend(nullptr);
  std::string why;
  EXPECT_EQ(PlaySoundA("SoundName", nullptr, kSceneSound, &why), 0);
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(PlaySoundA(nullptr, nullptr, SND_PURGE), 1);
  EXPECT_EQ(ShowCursor(0), 0);
  EXPECT_EQ(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, nullptr, 0), 0);
}

}  // namespace
}  // namespace sandloop
