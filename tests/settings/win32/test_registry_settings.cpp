// The settings record on the Windows registry: a first run stores all 26
// values with their designed types, a second load reads them back, and
// the scene's single writes reach the registry at once.
#include <gtest/gtest.h>

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
    test::DeleteTestKey(test::kTestCompany, product);
  }
  ~RegistrySettingsTest() override { test::DeleteTestKey(test::kTestCompany, product); }

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

}  // namespace
}  // namespace sandloop
