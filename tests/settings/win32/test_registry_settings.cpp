// The settings record on the Windows registry: a first run stores all 26
// values with their designed types, a second load reads them back, and a
// load forgives values that a hand edit or a partial import damaged.
#include <gtest/gtest.h>

#include <cstring>

#include "settings/SetReg.h"
#include "settings/Settings.h"
#include "tests/settings/win32/RegistryTestKey.h"

namespace sandloop {
namespace {

class RegistrySettingsTest : public ::testing::Test {
 protected:
  RegistrySettingsTest() : store(nullptr) {
    product = std::string("Record") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    store.SetCompanyName(test::kTestCompany);
    store.SetProductName(product);
    Delete();
  }
  ~RegistrySettingsTest() override { Delete(); }

  void Delete() {
    test::DeleteTestKey(test::kTestCompany, product);
    test::DeleteTestKey(test::kTestCompany, product + ".new");  // the journal of a save
  }
  void Place(const char* name, std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
    ASSERT_TRUE(test::PlaceTestValue(test::kTestCompany, product, name, type, bytes)) << name;
  }
  // The kind and size the registry holds a value in.
  std::string Kept(const char* name) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    if (!test::GetTestValue(test::kTestCompany, product, name, &type, &bytes)) return "missing";
    return std::to_string(type) + "/" + std::to_string(bytes.size());
  }

  std::string product;
  TSetReg store;
};

TEST_F(RegistrySettingsTest, FirstRunStoresTheWholeRecordWithItsTypes) {
  SettingsRecord first;
  first.clockRad = 1;  // a first run replaces the working copy by the defaults
  EXPECT_TRUE(DialogLoadSettings(store, first));  // a first run
  EXPECT_EQ(test::CountTestKeyValues(test::kTestCompany, product), 26);
  EXPECT_EQ(first.clockRad, 70);
  // Each value reads back with its kind: a float only from an 8-byte
  // REG_BINARY, an int or bool only from a REG_DWORD.
  float lat = 0, lng = 0;
  int colour = 0, index = -1;
  bool clock = false;
  EXPECT_TRUE(store.Read("RegLat", lat));
  EXPECT_TRUE(store.Read("RegLng", lng));
  EXPECT_TRUE(store.Read("ColorClock", colour));
  EXPECT_TRUE(store.Read("IndexCity", index));
  EXPECT_TRUE(store.Read("flag_clock", clock));
  EXPECT_EQ(lat, first.RegLat);
  EXPECT_EQ(lng, first.RegLng);
  EXPECT_EQ(colour, 0xFFFFFF);
  EXPECT_EQ(index, 0);
  EXPECT_TRUE(clock);
  SettingsRecord second;
  EXPECT_FALSE(DialogLoadSettings(store, second));
  EXPECT_EQ(second.RegLat, first.RegLat);
  EXPECT_EQ(second.clockRad, 70);
}

TEST_F(RegistrySettingsTest, ASavedRecordIsWhatTheNextLoadReads) {
  SettingsRecord s;
  DialogLoadSettings(store, s);
  s.clockRad = 55;
  s.RegLng = -122.4f;
  s.FlagShowEagles = false;
  ASSERT_TRUE(DialogSaveSettings(store, s));
  SettingsRecord again;
  ASSERT_FALSE(DialogLoadSettings(store, again));
  EXPECT_EQ(again.clockRad, 55);
  EXPECT_EQ(again.RegLng, -122.4f);
  EXPECT_FALSE(again.FlagShowEagles);
  EXPECT_EQ(test::CountTestKeyValues(test::kTestCompany, product), 26);
}

// A hand edit or a partial "reg import" leaves values of the wrong kind or
// size, or none: each starts from its first-run value, the load names all
// of them in one report and goes on, and the next save stores them right.
TEST_F(RegistrySettingsTest, DamagedValuesStartFromTheirFirstRunValuesAndTheNextSaveMendsThem) {
  SettingsRecord saved;
  DialogLoadSettings(store, saved);
  saved.NumEagles = 2;
  saved.Gamma = 100;
  saved.RegLat = -33.5f;
  saved.FlagShowEagles = false;
  saved.clockRad = 55;
  ASSERT_TRUE(DialogSaveSettings(store, saved));

  constexpr std::uint32_t kSz = 1, kBinary = 3, kQword = 11;
  Place("NumEagles", kSz, {'5', 0, 0, 0});                       // a number as text
  Place("Gamma", kQword, {100, 0, 0, 0, 0, 0, 0, 0});             // a number of 8 bytes
  const float lat = 12.5f;
  std::vector<std::uint8_t> four(4);
  std::memcpy(four.data(), &lat, 4);
  Place("RegLat", kBinary, four);                                 // a float of 4 bytes
  ASSERT_TRUE(test::RemoveTestValue(test::kTestCompany, product, "FlagShowEagles"));

  std::vector<std::string> reports;
  store.OnStoreDamaged = [&](TSetReg*, const std::string& m) { reports.push_back(m); };
  const SettingsRecord first = FirstRunSettings();
  for (bool dialog : {true, false}) {
    reports.clear();
    SettingsRecord loaded;
    if (dialog) {
      ASSERT_NO_THROW(EXPECT_FALSE(DialogLoadSettings(store, loaded)));
    } else {
      ASSERT_NO_THROW(EXPECT_FALSE(SceneLoadSettings(store, loaded, 0).first_run));
    }
    EXPECT_EQ(loaded.NumEagles, first.NumEagles);
    EXPECT_EQ(loaded.Gamma, first.Gamma);
    EXPECT_EQ(loaded.RegLat, first.RegLat);
    EXPECT_EQ(loaded.FlagShowEagles, first.FlagShowEagles);
    EXPECT_EQ(loaded.clockRad, 55);  // the sound values are kept
    ASSERT_EQ(reports.size(), 1u);
    for (const char* name : {"'NumEagles'", "'Gamma'", "'RegLat'", "'FlagShowEagles'"}) {
      const std::size_t at = reports[0].find(name);
      EXPECT_NE(at, std::string::npos) << name << " in " << reports[0];
      EXPECT_EQ(reports[0].find(name, at + 1), std::string::npos) << name << " twice in " << reports[0];
    }
    EXPECT_EQ(reports[0].find("'clockRad'"), std::string::npos) << reports[0];
  }

  SettingsRecord loaded;
  DialogLoadSettings(store, loaded);
  ASSERT_TRUE(DialogSaveSettings(store, loaded));
  EXPECT_EQ(Kept("NumEagles"), "4/4");
  EXPECT_EQ(Kept("Gamma"), "4/4");
  EXPECT_EQ(Kept("RegLat"), "3/8");
  EXPECT_EQ(Kept("FlagShowEagles"), "4/4");
  reports.clear();
  SettingsRecord again;
  DialogLoadSettings(store, again);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(again, loaded);
}

}  // namespace
}  // namespace sandloop
