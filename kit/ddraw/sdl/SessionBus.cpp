#include "kit/ddraw/sdl/SessionBus.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace sandloop::display {

void NoBusOnDemand() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr && *address != '\0') return;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
    struct stat st;
    const std::string socket = std::string(runtime) + "/bus";
    if (stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) return;  // libdbus finds it itself
  }
  // An address of no known transport: libdbus fails to connect at once.
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

}  // namespace sandloop::display
