// Sound on Windows: PlaySoundA from memory (SND_MEMORY | SND_ASYNC, with
// SND_LOOP for a loop), from a copy that lives as long as the sound plays;
// PlaySoundA with no sound stops it. The system gives no way to ask whether
// a single sound still plays, so its end is reckoned from its length.
#include <cstring>

#include "kit/ddraw/win32/Win32BackendClass.h"

namespace sandloop::display::win32 {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

bool ParseWave(const std::uint8_t* bytes, std::size_t size, WaveInfo* info, std::string* why) {
  *info = WaveInfo{};
  if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
    *why = "not a RIFF WAVE file";
    return false;
  }
  bool format = false, data = false;
  std::size_t at = 12;
  while (at + 8 <= size) {
    const std::uint32_t length = Le32(bytes + at + 4);
    if (length > size - at - 8) {
      *why = "a chunk runs past the end of the file";
      return false;
    }
    if (std::memcmp(bytes + at, "fmt ", 4) == 0 && length >= 16) {
      info->bytes_per_second = Le32(bytes + at + 8 + 8);
      format = info->bytes_per_second > 0;
    } else if (std::memcmp(bytes + at, "data", 4) == 0) {
      info->data_bytes = length;
      data = true;
    }
    at += 8 + length + (length & 1);
  }
  if (!format || !data) {
    *why = format ? "no data chunk" : "no usable format chunk";
    return false;
  }
  return true;
}

bool Win32Backend::PlaySound(const SoundRequest& sound, std::string* why) {
  StopSound();
  WaveInfo info;
  std::string reason;
  if (!ParseWave(sound.wave.data(), sound.wave.size(), &info, &reason)) {
    if (why != nullptr) *why = "sound \"" + sound.name + "\" cannot be decoded: " + reason;
    return false;
  }
  sound_.assign(sound.wave.begin(), sound.wave.end());
  const DWORD flags = SND_MEMORY | SND_ASYNC | SND_NODEFAULT | (sound.loop ? SND_LOOP : 0);
  if (PlaySoundA(reinterpret_cast<LPCSTR>(sound_.data()), nullptr, flags) == FALSE) {
    sound_.clear();
    if (why != nullptr) *why = "no audio device: the system cannot play \"" + sound.name + "\"";
    return false;
  }
  sound_on_ = true;
  looping_ = sound.loop;
  sound_end_ = std::chrono::steady_clock::now() +
               std::chrono::milliseconds(static_cast<long long>(info.data_bytes) * 1000 / info.bytes_per_second);
  return true;
}

void Win32Backend::StopSound() {
  if (!sound_on_) return;
  PlaySoundA(nullptr, nullptr, SND_PURGE);  // returns when the sound has stopped
  sound_on_ = false;
  sound_.clear();
}

bool Win32Backend::SoundPlaying() {
  return sound_on_ && (looping_ || std::chrono::steady_clock::now() < sound_end_);
}

}  // namespace sandloop::display::win32
