#pragma once
// A helper thread that starts working at once.
#include <functional>
#include <thread>

namespace sandloop::os {

// Makes a thread that runs `body`, first placed on another processor than
// the calling thread's when the caller may run on more than one: a
// scheduler that packs work onto few processors may otherwise keep a new
// thread waiting behind its maker for milliseconds. Once it runs, the
// thread may run wherever the caller may. Throws std::system_error when no
// thread can be made, as std::thread does.
[[nodiscard]] std::thread StartThreadBeside(std::function<void()> body);

}  // namespace sandloop::os
