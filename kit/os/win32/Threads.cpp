#include "kit/os/Threads.h"

#include <utility>

namespace sandloop::os {

// Windows places a new thread on an idle processor by itself.
std::thread StartThreadBeside(std::function<void()> body) { return std::thread(std::move(body)); }

}  // namespace sandloop::os
