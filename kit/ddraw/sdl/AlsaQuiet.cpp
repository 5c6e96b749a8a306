#include "kit/ddraw/sdl/AlsaQuiet.h"

#include <dlfcn.h>

namespace sandloop::display {

namespace {

// alsa-lib's snd_lib_error_handler_t and snd_lib_error_set_handler, named
// here so that the program needs no ALSA headers to build and no ALSA
// library to run.
using ErrorHandler = void (*)(const char* file, int line, const char* function, int err, const char* fmt, ...);
using SetHandler = int (*)(ErrorHandler);

void DropMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void SilenceAlsaMessages() {
  static const bool done = [] {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (alsa == nullptr) return true;
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")); set != nullptr)
      set(DropMessage);
    return true;  // the library stays loaded, with our handler in it
  }();
  (void)done;
}

}  // namespace sandloop::display
