// The looping sound through SDL's audio: the WAVE bytes decoded by SDL and
// fed to the device by a callback that wraps round without a gap; the
// audio subsystem starts with the first sound and ends with StopSound.
#include <cstdio>
#include <cstring>

#include "kit/ddraw/sdl/AlsaQuiet.h"
#include "kit/ddraw/sdl/SdlBackendClass.h"

namespace sandloop::display::sdl {

namespace {

// Fills the device's buffer from the voice, wrapping round without a gap
// when it loops and with silence after the end when it does not.
void FillAudio(void* userdata, Uint8* stream, int len) {
  Voice& v = *static_cast<Voice*>(userdata);
  Uint32 want = static_cast<Uint32>(len);
  while (want > 0) {
    if (v.pos >= v.length) {
      if (!v.loop || v.length == 0) {
        std::memset(stream, v.silence, want);
        v.done.store(true, std::memory_order_relaxed);
        return;
      }
      v.pos = 0;
    }
    const Uint32 n = std::min(want, v.length - v.pos);
    std::memcpy(stream, v.samples + v.pos, n);
    v.pos += n;
    stream += n;
    want -= n;
  }
}

}  // namespace

bool SdlBackend::PlaySound(const SoundRequest& sound, std::string* why) {
  StopSound();
  auto fail = [&](const std::string& reason) {
    if (why != nullptr) *why = reason;
    StopSound();
    // One line for whoever reads stderr (a saver daemon's log), once.
    if (!silence_told_) std::fprintf(stderr, "sandloop: no sound: %s\n", reason.c_str());
    silence_told_ = true;
    return false;
  };
  // The audio subsystem starts with the first sound, so that a program
  // that never plays one never touches an audio device.
  SilenceAlsaMessages();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return fail(std::string("no audio: ") + SDL_GetError());
  audio_started_ = true;
  auto voice = std::make_unique<Voice>();
  SDL_AudioSpec spec;
  SDL_RWops* rw = SDL_RWFromConstMem(sound.wave.data(), static_cast<int>(sound.wave.size()));
  if (rw == nullptr || SDL_LoadWAV_RW(rw, 1, &spec, &voice->samples, &voice->length) == nullptr)
    return fail("sound \"" + sound.name + "\" cannot be decoded: " + SDL_GetError());
  voice->loop = sound.loop;
  voice->silence = spec.silence;
  // A buffer of about 40 ms: the decoder's default of 4096 frames lasts
  // 370 ms at 11 kHz, and closing the device waits for the buffer in play.
  spec.samples = 64;
  while (spec.samples < 8192 && spec.samples * 25 < spec.freq) spec.samples *= 2;
  spec.callback = FillAudio;
  spec.userdata = voice.get();
  // The device takes the sound's own format; SDL converts where the
  // hardware wants another.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
  if (device_ == 0) {
    SDL_FreeWAV(voice->samples);
    return fail(std::string("no audio device: ") + SDL_GetError());
  }
  voice_ = std::move(voice);
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlBackend::StopSound() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);  // waits for the callback
  device_ = 0;
  if (voice_ != nullptr) SDL_FreeWAV(voice_->samples);
  voice_.reset();
  if (audio_started_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audio_started_ = false;
}

}  // namespace sandloop::display::sdl
