// Loads a WAVE file through SDL2 from memory (SDL_LoadWAV_RW, no audio
// device needed) and prints the format SDL decoded it to. Build and run:
//   g++ -O1 tools/art/sdl_wav_check.cpp $(pkg-config --cflags --libs sdl2) -o /tmp/sdl_wav_check
//   /tmp/sdl_wav_check assets/embed/SOUNDNAME.wav
#include <SDL.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s file.wav\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  SDL_AudioSpec spec{};
  Uint8* buf = nullptr;
  Uint32 len = 0;
  SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (!SDL_LoadWAV_RW(rw, 1, &spec, &buf, &len)) {
    std::fprintf(stderr, "SDL_LoadWAV_RW failed: %s\n", SDL_GetError());
    return 1;
  }
  const int frame = SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels;
  std::printf("loaded: %d Hz, %d channels, format 0x%04x, %u bytes = %.3f s\n", spec.freq, spec.channels,
              spec.format, len, double(len) / frame / spec.freq);
  SDL_FreeWAV(buf);
  return 0;
}
