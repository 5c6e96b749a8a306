// The scene's side of the platform: the surf sound, the cursor and the
// system's screen-saver state.
#include "kit/ddraw/platform.h"
#include "scene/Unit1.h"

namespace sandloop {

// The embedded surf loops in the background. Of several copies running at
// once (one per monitor) only one plays it; the others ask again now and
// then and take it over when that copy ends. No audio device is not an
// error: the saver runs silent.
void TForm1::StartSound() {
  if (!Settings.flag_PlaySound) return;
  if (!sound_lock_) sound_lock_ = std::make_unique<SoundLock>();
  if (!sound_lock_->MayPlay(timeGetTime())) {
    if (!sound_waiting_) Log("PlaySound", "another copy of the saver plays the surf");
    sound_waiting_ = true;
    return;
  }
  sound_waiting_ = false;
  std::string why;
  sound_started_ = PlaySoundA("SoundName", 0, SND_RESOURCE | SND_LOOP | SND_ASYNC, &why) != 0;
  if (!sound_started_) Log("PlaySound", why);
}

void TForm1::StopSound() {
  sound_waiting_ = false;
  if (Settings.flag_PlaySound && !options_.offline) PlaySoundA(nullptr, 0, SND_PURGE);
  sound_started_ = false;
  if (sound_lock_) sound_lock_->Release();
}

// While the screen is dark the surf is silent. The copy keeps its right to
// play it, so that it plays again as soon as the screen comes back.
void TForm1::PauseSound() {
  if (sound_started_) PlaySoundA(nullptr, 0, SND_PURGE);
  sound_started_ = false;
}

void TForm1::Cursor(bool show) { ShowCursor(show ? 1 : 0); }

void TForm1::SystemSaverRunning(bool running) {
  BOOL before = 0;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &before, 0);
}

}  // namespace sandloop
