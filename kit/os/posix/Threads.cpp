#include "kit/os/Threads.h"

#include <pthread.h>
#include <sched.h>

#include <memory>
#include <mutex>
#include <utility>

namespace sandloop::os {

std::thread StartThreadBeside(std::function<void()> body) {
  cpu_set_t anywhere;
  CPU_ZERO(&anywhere);
  const int here = sched_getcpu();
  if (here < 0 || here >= CPU_SETSIZE || sched_getaffinity(0, sizeof anywhere, &anywhere) != 0)
    return std::thread(std::move(body));
  cpu_set_t elsewhere = anywhere;
  CPU_CLR(here, &elsewhere);
  if (CPU_COUNT(&elsewhere) == 0) return std::thread(std::move(body));

  // The new thread lifts its placement only once it has been placed: the
  // gate is held until then.
  auto gate = std::make_shared<std::mutex>();
  std::unique_lock<std::mutex> placing(*gate);
  std::thread thread([gate, anywhere, body = std::move(body)] {
    { std::lock_guard<std::mutex> placed(*gate); }
    pthread_setaffinity_np(pthread_self(), sizeof anywhere, &anywhere);
    body();
  });
  pthread_setaffinity_np(thread.native_handle(), sizeof elsewhere, &elsewhere);
  return thread;
}

}  // namespace sandloop::os
