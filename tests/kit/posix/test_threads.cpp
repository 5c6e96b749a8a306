// A thread started beside its maker: it runs its work, and once running it
// may run wherever its maker may, however it was first placed.
#include <pthread.h>
#include <sched.h>

#include <gtest/gtest.h>

#include "kit/os/Threads.h"

namespace sandloop {
namespace {

cpu_set_t Allowed() {
  cpu_set_t set;
  CPU_ZERO(&set);
  EXPECT_EQ(pthread_getaffinity_np(pthread_self(), sizeof set, &set), 0);
  return set;
}

// The mask the body ran with.
cpu_set_t StartedBesideRunsWith() {
  cpu_set_t seen;
  CPU_ZERO(&seen);
  bool ran = false;
  std::thread t = os::StartThreadBeside([&] {
    seen = Allowed();
    ran = true;
  });
  t.join();
  EXPECT_TRUE(ran);
  return seen;
}

TEST(OsThreads, AThreadStartedBesideMayRunWhereverItsMakerMay) {
  const cpu_set_t all = Allowed();
  for (int round = 0; round < 20; ++round) {
    cpu_set_t seen = StartedBesideRunsWith();
    ASSERT_TRUE(CPU_EQUAL(&seen, &all)) << "round " << round << ": " << CPU_COUNT(&seen) << " of "
                                        << CPU_COUNT(&all) << " processors";
  }
  // A maker held to one processor: the thread is made there all the same.
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(sched_getcpu(), &one);
  ASSERT_EQ(pthread_setaffinity_np(pthread_self(), sizeof one, &one), 0);
  cpu_set_t seen = StartedBesideRunsWith();
  EXPECT_TRUE(CPU_EQUAL(&seen, &one));
  ASSERT_EQ(pthread_setaffinity_np(pthread_self(), sizeof all, &all), 0);
}

}  // namespace
}  // namespace sandloop
