#include "sun/CityTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "assets/Resources.h"
#include "tests/FuzzReplay.h"
#include "tools/fuzz/FuzzTargets.h"

namespace sandloop {
namespace {

TEST(CityTable, HoldsExactlyTheBuildCountOfRecords) {
  const auto bytes = assets::FindResource("cities");
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->size(), 3937u * 64u);
  const CityTable table;
  EXPECT_EQ(kCityCount, 3937);
  EXPECT_EQ(table.Count(), kCityCount);
}

struct FixedRow {
  int index;
  const char* name;
  float lat, lng;
  int ofUTC;
};

TEST(CityTable, TellingRowsStandAtTheirIndices) {
  const FixedRow rows[] = {
      {0, "AACHEN GE", 50.78333282f, 6.0999999f, 1},
      {1, "AALEN GE", 48.833332f, 10.1f, 1},
      {2, "AALST BE", 50.966667f, 4.0f, 1},
      {3, "AARAU SZ", 47.366665f, 8.05f, 1},
      {4, "ABADAN IR", 30.25f, 48.5f, 3},
      {105, "ANCHORAGE(ALAS) US", 61.2f, -148.2f, -10},
      {1539, "HONOLULU(HAW) US", 21.3f, -156.15f, -10},
      {2015, "LONDON GB", 51.53333282f, 0.0833333358f, 0},
      {2359, "MURMANSK RU", 68.833336f, 33.166668f, 2},
      {2437, "NEW YORK(NY) US", 40.75f, -72.05f, -5},
      {3404, "SYDNEY(NSW) AU", -32.083332f, 151.16667f, 10},
      {3514, "TOKYO JP", 35.666668f, 139.75f, 9},
      {3934, "ZVOLEN SK", 48.583332f, 19.166666f, 1},
      {3935, "ZWICKAU GE", 50.716667f, 12.5f, 1},
      {3936, "ZWOLLE NE", 52.516666f, 6.0666666f, 1},
  };
  const CityTable table;
  for (const FixedRow& r : rows) {
    SCOPED_TRACE(r.name);
    const CityRecord& c = table[r.index];
    EXPECT_EQ(c.Name(), r.name);
    EXPECT_EQ(c.latitude, r.lat);
    EXPECT_EQ(c.longitude, r.lng);
    EXPECT_EQ(c.ofUTC, r.ofUTC);
  }
}

bool IsWholeMinutes(float degrees) {
  const double minutes = static_cast<double>(degrees) * 60.0;
  return std::fabs(minutes - std::round(minutes)) < 1e-3;
}

// "CITY CC" or "CITY(REGION) CC" with the region only for the US, Canada
// and Australia.
void CheckName(std::string_view name) {
  SCOPED_TRACE(std::string(name));
  ASSERT_GE(name.size(), 4u);
  ASSERT_LE(name.size(), 51u);
  for (char ch : name) {
    EXPECT_TRUE((ch >= 'A' && ch <= 'Z') || ch == ' ' || ch == '\'' || ch == '-' || ch == '.' || ch == '(' ||
                ch == ')')
        << "character " << int(ch);
  }
  const std::string_view cc = name.substr(name.size() - 2);
  EXPECT_EQ(name[name.size() - 3], ' ');
  EXPECT_TRUE(cc[0] >= 'A' && cc[0] <= 'Z' && cc[1] >= 'A' && cc[1] <= 'Z');
  const std::string_view head = name.substr(0, name.size() - 3);
  EXPECT_TRUE(head.front() >= 'A' && head.front() <= 'Z');
  const auto open = head.find('(');
  if (open == std::string_view::npos) {
    EXPECT_EQ(head.find(')'), std::string_view::npos);
    return;
  }
  EXPECT_EQ(head.back(), ')');
  EXPECT_EQ(head.find('(', open + 1), std::string_view::npos);
  EXPECT_EQ(head.find(')'), head.size() - 1);
  EXPECT_NE(head[open - 1], ' ');
  const std::string_view region = head.substr(open + 1, head.size() - open - 2);
  const std::set<std::string_view> kCanada = {"ALTA", "BC", "MAN", "NB", "NFLD", "NS", "ONT",
                                                      "PEI", "QUE", "SASK", "YUK", "NWT", "NU"};
  const std::set<std::string_view> kAustralia = {"ACT", "NSW", "NT", "QLD", "SA", "TAS", "VIC", "WA"};
  if (cc == "US") {
    EXPECT_TRUE(region == "ALAS" || region == "HAW" ||
                (region.size() == 2 && region[0] >= 'A' && region[0] <= 'Z' && region[1] >= 'A' && region[1] <= 'Z'))
        << region;
  } else if (cc == "CA") {
    EXPECT_TRUE(kCanada.contains(region)) << region;
  } else if (cc == "AU") {
    EXPECT_TRUE(kAustralia.contains(region)) << region;
  } else {
    ADD_FAILURE() << "region for a country without regions";
  }
}

TEST(CityTable, EveryRecordKeepsTheFormat) {
  const CityTable table;
  std::set<std::string_view> codes;
  int regional = 0;
  std::string_view previous;
  for (int i = 0; i < table.Count(); ++i) {
    const CityRecord& c = table[i];
    SCOPED_TRACE(i);
    const std::string_view name = c.Name();
    ASSERT_LT(name.size(), kCityNameSize) << "name without its zero byte";
    for (std::size_t k = name.size(); k < kCityNameSize; ++k) ASSERT_EQ(c.name[k], '\0') << "not zero-filled";
    CheckName(name);
    EXPECT_LT(previous, name) << "out of order or twice";
    previous = name;
    codes.insert(name.substr(name.size() - 2));
    if (name.find('(') != std::string_view::npos) ++regional;

    EXPECT_TRUE(std::isfinite(c.latitude) && c.latitude >= -90 && c.latitude <= 90) << c.latitude;
    EXPECT_TRUE(std::isfinite(c.longitude) && c.longitude >= -180 && c.longitude <= 180) << c.longitude;
    EXPECT_TRUE(IsWholeMinutes(c.latitude)) << c.latitude;
    EXPECT_TRUE(IsWholeMinutes(c.longitude)) << c.longitude;
    EXPECT_GE(c.ofUTC, -12);
    EXPECT_LE(c.ofUTC, 14);
  }
  // The legacy codes stand for Germany, Switzerland and the Netherlands
  // only; the ISO codes those countries would otherwise use do not occur.
  EXPECT_FALSE(codes.contains("DE"));
  EXPECT_FALSE(codes.contains("CH"));
  EXPECT_FALSE(codes.contains("NL"));
  EXPECT_GT(codes.size(), 80u);
  EXPECT_GT(regional, 1500);
  EXPECT_LT(regional, 2300);
}

TEST(CityTable, LookupByNameAndCheckedIndex) {
  const CityTable table;
  EXPECT_EQ(table.Find("LONDON GB"), 2015);
  EXPECT_EQ(table.Find("london gb"), 2015);
  EXPECT_EQ(table.Find("AACHEN GE"), 0);
  EXPECT_EQ(table.Find("ZWOLLE NE"), 3936);
  EXPECT_FALSE(table.Find("LONDON").has_value());
  EXPECT_FALSE(table.Find("").has_value());
  EXPECT_EQ(&table.At(3936), &table[3936]);
  EXPECT_THROW((void)table.At(-1), std::out_of_range);
  EXPECT_THROW((void)table.At(kCityCount), std::out_of_range);
  EXPECT_FALSE(CityTable::IsValidIndex(-1));
  EXPECT_TRUE(CityTable::IsValidIndex(0));
  EXPECT_FALSE(CityTable::IsValidIndex(kCityCount));
}

TEST(CityTable, MalformedDataIsRejectedOrReadSafely) {
  alignas(CityRecord) std::uint8_t bytes[2 * 64] = {};
  EXPECT_THROW(CityTable(std::span<const std::uint8_t>(bytes, 63)), std::runtime_error);
  EXPECT_THROW(CityTable(std::span<const std::uint8_t>(bytes, 65)), std::runtime_error);
  EXPECT_THROW(CityTable(std::span<const std::uint8_t>(bytes + 1, 64)), std::runtime_error);

  // A name that fills its field with no zero byte reads as 52 characters,
  // never running into the coordinates.
  std::memset(bytes, 'A', kCityNameSize);
  const float lat = 1.5f;
  std::memcpy(bytes + 52, &lat, sizeof lat);
  const CityTable table(std::span<const std::uint8_t>(bytes, sizeof bytes));
  ASSERT_EQ(table.Count(), 2);
  EXPECT_EQ(table[0].Name(), std::string(kCityNameSize, 'A'));
  EXPECT_EQ(table[0].latitude, 1.5f);
  EXPECT_EQ(table[1].Name(), "");
}

// The fuzz harness's seeds and every input it found failing, kept.
TEST(CityTable, FuzzInputsOfTheLookUpAreHandledSoundly) {
  const auto inputs = test::FuzzInputs("city", "cities");
  EXPECT_GE(inputs.size(), 5u);
  for (const auto& [name, bytes] : inputs) EXPECT_EQ(fuzz::CheckCityLookup(bytes), "") << name;
}

}  // namespace
}  // namespace sandloop
