// The worker that decodes the scene's pictures ahead of set-up: its jobs
// run in order on a thread of their own, a stop takes effect between two
// jobs, and without a thread the jobs run on the caller's thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <future>
#include <system_error>
#include <thread>
#include <vector>

#include "scene/Worker.h"

namespace sandloop {
namespace {

TEST(Worker, RunsEveryJobInOrderOnAThreadOfItsOwn) {
  std::vector<std::thread::id> ran;  // written by the worker only, read after Wait
  std::vector<Worker::Job> jobs(4, [&] { ran.push_back(std::this_thread::get_id()); });
  Worker worker(std::move(jobs));
  worker.Wait();
  EXPECT_TRUE(worker.OnOwnThread());
  ASSERT_EQ(ran.size(), 4u);
  EXPECT_NE(ran[0], std::this_thread::get_id());
}

// A stop while the first job runs lets it finish and starts no other; the
// results of the jobs left out are broken promises, not waits forever.
TEST(Worker, AStopEndsItWithinOneJob) {
  std::promise<void> started, go;
  std::shared_future<void> go_now = go.get_future().share();
  std::vector<std::future<int>> results;
  std::vector<Worker::Job> jobs;
  for (int i = 0; i < 6; ++i) {
    auto result = std::make_shared<std::promise<int>>();
    results.push_back(result->get_future());
    jobs.emplace_back([&, i, result, go_now] {
      if (i == 0) {
        started.set_value();
        go_now.wait();
      }
      result->set_value(i);
    });
  }
  Worker worker(std::move(jobs));
  started.get_future().wait();
  worker.Stop();
  go.set_value();
  worker.Wait();
  EXPECT_EQ(worker.Started(), 1u);
  EXPECT_EQ(results[0].get(), 0);
  for (std::size_t i = 1; i < results.size(); ++i) EXPECT_THROW((void)results[i].get(), std::future_error) << i;
}

// While the worker's thread is busy with the first job, a caller that
// helps runs the next ones itself, up to the limit it gives; the worker
// runs the rest, and every job runs exactly once.
TEST(Worker, ACallerThatHelpsRunsTheNextJobsUpToItsLimit) {
  std::promise<void> started, go;
  std::shared_future<void> go_now = go.get_future().share();
  std::vector<std::thread::id> ran(6);
  std::vector<std::atomic<int>> runs(6);
  std::vector<Worker::Job> jobs;
  for (int i = 0; i < 6; ++i) {
    jobs.emplace_back([&, i, go_now] {
      runs[static_cast<std::size_t>(i)].fetch_add(1);
      ran[static_cast<std::size_t>(i)] = std::this_thread::get_id();
      if (i == 0) {
        started.set_value();
        go_now.wait();
      }
    });
  }
  Worker worker(std::move(jobs));
  started.get_future().wait();
  int helped = 0;
  while (worker.Help(4)) ++helped;
  go.set_value();
  worker.Wait();
  EXPECT_EQ(helped, 3);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    EXPECT_EQ(runs[i].load(), 1) << i;
    EXPECT_EQ(ran[i] == std::this_thread::get_id(), i >= 1 && i < 4) << i;
  }
  EXPECT_EQ(worker.Started(), 6u);
}

// Held jobs do not start on the worker's thread before Release(); a
// caller that helps may run them meanwhile, and the thread runs the rest
// once released.
TEST(Worker, HeldJobsWaitForTheReleaseUnlessACallerTakesThem) {
  std::vector<std::atomic<int>> runs(5);
  std::vector<std::thread::id> ran(5);
  std::promise<void> first_two;
  std::vector<Worker::Job> jobs;
  for (int i = 0; i < 5; ++i) {
    jobs.emplace_back([&, i] {
      ran[static_cast<std::size_t>(i)] = std::this_thread::get_id();
      runs[static_cast<std::size_t>(i)].fetch_add(1);
      if (i == 1) first_two.set_value();
    });
  }
  Worker worker(std::move(jobs), {}, 2);
  first_two.get_future().wait();
  // The thread is held now: nothing past job 1 starts until it is released.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(runs[2].load() + runs[3].load() + runs[4].load(), 0);
  EXPECT_TRUE(worker.Help(3));  // the caller takes job 2 itself
  EXPECT_EQ(ran[2], std::this_thread::get_id());
  worker.Release();
  worker.Wait();
  for (std::size_t i = 0; i < runs.size(); ++i) EXPECT_EQ(runs[i].load(), 1) << i;
  EXPECT_NE(ran[4], std::this_thread::get_id());
}

// A worker held and never released ends on a stop; the held jobs' results
// are broken promises.
TEST(Worker, AHeldWorkerEndsOnAStop) {
  auto result = std::make_shared<std::promise<int>>();
  std::future<int> held = result->get_future();
  std::vector<Worker::Job> jobs{[] {}, [result] { result->set_value(1); }};
  result.reset();  // the held job holds the only promise
  {
    Worker worker(std::move(jobs), {}, 1);
  }  // the destructor stops and waits
  EXPECT_THROW((void)held.get(), std::future_error);
}

TEST(Worker, WithoutAThreadTheJobsRunOnTheCallersThreadBeforeItReturns) {
  std::vector<std::thread::id> ran;
  std::vector<Worker::Job> jobs(3, [&] { ran.push_back(std::this_thread::get_id()); });
  // Held jobs too: no thread would ever run them.
  Worker worker(
      std::move(jobs),
      [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
      },
      1);
  EXPECT_FALSE(worker.OnOwnThread());
  EXPECT_EQ(ran, std::vector<std::thread::id>(3, std::this_thread::get_id()));
}

}  // namespace
}  // namespace sandloop
