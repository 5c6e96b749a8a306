#include "sun/SunCommand.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/headless/HeadlessBackend.h"

namespace sandloop {
namespace {

struct Outcome {
  int code = -1;
  std::string out, err;
};

Outcome Sun(const std::vector<std::string>& args, const LocalTime& today = {}) {
  const FixedClock clock(today);
  std::ostringstream out, err;
  Outcome r;
  r.code = RunSunCommand(args, out, err, clock);
  r.out = out.str();
  r.err = err.str();
  return r;
}

LocalTime Day(int year, int month, int day) {
  LocalTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  return t;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(SunCommand, ShowsThePlaceAndTheTimesOfTheGivenDate) {
  const Outcome r = Sun({"--sun", "LONDON GB", "--date", "2004-06-21"}, Day(2010, 1, 1));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.err.empty());
  EXPECT_TRUE(Has(r.out, "city: LONDON GB\n"));
  EXPECT_TRUE(Has(r.out, "index: 2015\n"));
  EXPECT_TRUE(Has(r.out, "latitude: 51.5333328\n"));
  EXPECT_TRUE(Has(r.out, "longitude: 0.0833333358\n"));
  EXPECT_TRUE(Has(r.out, "UTC offset: 0\n"));
  EXPECT_TRUE(Has(r.out, "date: 2004-06-21\n"));
  EXPECT_TRUE(Has(r.out, "Apparent Sunrise: 3:42AM (3.70268559 h)\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "Apparent Sunset: 8:20PM (20.3489037 h)\n")) << r.out;

  const Outcome dst = Sun({"--sun", "london gb", "--dst", "--date=2004-06-21"});
  ASSERT_EQ(dst.code, 0) << dst.err;
  EXPECT_TRUE(Has(dst.out, "daylight saving: yes\n"));
  EXPECT_TRUE(Has(dst.out, "Apparent Sunrise: 4:42AM"));
  EXPECT_TRUE(Has(dst.out, "Apparent Sunset: 9:20PM"));
}

TEST(SunCommand, TakesTodayFromTheClock) {
  const Outcome london = Sun({"--sun", "LONDON GB"}, Day(2004, 12, 21));
  ASSERT_EQ(london.code, 0) << london.err;
  EXPECT_TRUE(Has(london.out, "date: 2004-12-21\n"));
  EXPECT_TRUE(Has(london.out, "Apparent Sunrise: 8:03AM"));
  EXPECT_TRUE(Has(london.out, "Apparent Sunset: 3:52PM"));

  const Outcome aachen = Sun({"--sun", "AACHEN GE"}, Day(2004, 1, 1));
  ASSERT_EQ(aachen.code, 0) << aachen.err;
  EXPECT_TRUE(Has(aachen.out, "UTC offset: 1\n"));
  EXPECT_TRUE(Has(aachen.out, "Apparent Sunrise: 8:37AM"));
  EXPECT_TRUE(Has(aachen.out, "Apparent Sunset: 4:40PM"));
}

TEST(SunCommand, PolarDaysAreWrittenOutNotShownInBoxes) {
  auto hb = display::CreateHeadlessBackend();
  display::SetBackend(hb);
  const Outcome r = Sun({"--sun", "MURMANSK RU", "--dst"}, Day(2004, 6, 21));
  display::SetBackend(nullptr);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Apparent Sunrise: 1:00AM (1 h; the sun never sets on this location (on the specified date))"))
      << r.out;
  EXPECT_TRUE(Has(r.out, "Apparent Sunset: 1:00AM (1 h; the sun never sets"));
  EXPECT_TRUE(hb->Messages().empty());
}

TEST(SunCommand, UnknownCitiesAndBadUsageExitWithTwo) {
  const Outcome unknown = Sun({"--sun", "London"});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_TRUE(unknown.out.empty());
  EXPECT_TRUE(Has(unknown.err, "unknown city: \"London\""));
  EXPECT_TRUE(Has(unknown.err, "did you mean: LONDON GB, LONDON(ONT) CA"));

  const Outcome nowhere = Sun({"--sun", "ATLANTIS XX"});
  EXPECT_EQ(nowhere.code, 2);
  EXPECT_TRUE(Has(nowhere.err, "unknown city"));
  EXPECT_FALSE(Has(nowhere.err, "did you mean"));

  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--sun"},
      {"--sun", "--dst"},
      {"--sun", "LONDON GB", "--date"},
      {"--sun", "LONDON GB", "--date", "2005-02-29"},
      {"--sun", "LONDON GB", "--date", "2004-13-01"},
      {"--sun", "LONDON GB", "--date", "21.06.2004"},
      {"--sun", "LONDON GB", "--date", "2004-6-21"},
      {"--sun", "LONDON GB", "--summer"},
      {"--cities", "extra"},
      {"--moon"},
  };
  for (const auto& args : bad) {
    const Outcome r = Sun(args);
    EXPECT_EQ(r.code, 2) << (args.empty() ? "" : args[0]);
    EXPECT_TRUE(Has(r.err, "usage: sandloop --sun"));
    EXPECT_TRUE(r.out.empty());
  }
  EXPECT_EQ(Sun({"--sun", "LONDON GB", "--date", "2004-02-29"}).code, 0);
}

TEST(SunCommand, ListsEveryCityWithItsValues) {
  const Outcome r = Sun({"--cities"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  std::vector<std::string> all;
  while (std::getline(lines, line)) all.push_back(line);
  ASSERT_EQ(all.size(), 3937u);
  EXPECT_EQ(all[0], "0\tAACHEN GE\t50.7833328\t6.0999999\t1");
  EXPECT_EQ(all[2015], "2015\tLONDON GB\t51.5333328\t0.0833333358\t0");
  EXPECT_EQ(all[3404], "3404\tSYDNEY(NSW) AU\t-32.0833321\t151.166672\t10");
  EXPECT_EQ(all[3936], "3936\tZWOLLE NE\t52.5166664\t6.0666666\t1");
}

}  // namespace
}  // namespace sandloop
