#pragma once
// What every display back end promises through the seam, as one suite of
// tests that each back end runs: the headless one in the ordinary test
// program, SDL under Xvfb, the Windows one under Wine. A runner names its
// back end with INSTANTIATE_TEST_SUITE_P(Name, BackendContract,
// ::testing::Values(BackendFactory{"name", make})).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "kit/ddraw/backend.h"

namespace sandloop::display::contract {

struct BackendFactory {
  const char* name;
  // A fresh back end, or null (with the reason) where it cannot run here.
  std::function<std::shared_ptr<Backend>(std::string* why)> make;
};
inline std::ostream& operator<<(std::ostream& os, const BackendFactory& f) { return os << f.name; }

class BackendContract : public ::testing::TestWithParam<BackendFactory> {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::shared_ptr<Backend> backend;
};

}  // namespace sandloop::display::contract
