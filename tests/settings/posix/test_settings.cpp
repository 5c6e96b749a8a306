#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <bit>
#include <set>

#include "kit/ddraw/headless/HeadlessBackend.h"
#include "tests/settings/TempStore.h"

namespace sandloop {
namespace {

using display::DisplayMode;
using display::CreateHeadlessBackend;
using display::HeadlessBackend;
using display::Op;
using test::ReadFile;

// The first-run values on a desktop of w x h x bits, written out here
// rather than taken from the program.
SettingsRecord FirstRunOn(int w, int h, int bits) {
  SettingsRecord s;
  s.flag_clock = true;
  s.flag_PlaySound = true;
  s.flag_fps = false;
  s.TermMouse = true;
  s.Gamma = 256;
  s.flag_defres = true;
  s.ResHor = w;
  s.ResVert = h;
  s.ColorDepth = bits;
  s.clockX = w - 90;
  s.clockY = 90;
  s.clockRad = 70;
  s.ColorClock = 12951386;  // 0xC59F5A
  s.SetSpeed = 1;
  s.NumEagles = 4;
  s.FlagShowEagles = true;
  s.FlagShowButterfly = true;
  s.FlagDaytime = false;
  s.FlagDemoDaytime = true;
  s.FlagShowSimulateTime = true;
  s.FlagDaylightSavingTime = false;
  s.RegLat = 50.783333f;
  s.RegLng = 6.1f;
  s.RegOfUTC = 1;
  s.ShowRisSet = true;
  s.IndexCity = 0;
  return s;
}

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() : store(nullptr), hb(CreateHeadlessBackend()) {
    store.SetCompanyName("Morvant");
    store.SetProductName("Sandloop");
    store.SetStorePath(dir.StorePath());
    display::SetBackend(hb);
  }
  ~SettingsTest() override { display::SetBackend(nullptr); }

  std::string File() const { return ReadFile(dir.StorePath()); }
  bool Has(const std::string& line) const { return File().find(line + "\n") != std::string::npos; }

  test::TempDir dir;
  TSetReg store;
  std::shared_ptr<HeadlessBackend> hb;
};

// The one table agrees with the record and with itself.
TEST_F(SettingsTest, TableMatchesTheRecord) {
  std::set<std::string> names;
  for (const SettingSpec& spec : SettingsTable) {
    names.insert(spec.name);
    int members = (spec.as_bool != nullptr) + (spec.as_int != nullptr) + (spec.as_float != nullptr) +
                  (spec.as_color != nullptr);
    EXPECT_EQ(members, 1) << spec.name;
    EXPECT_EQ(spec.as_bool != nullptr, spec.kind == SettingKind::Bool) << spec.name;
    EXPECT_EQ(spec.as_float != nullptr, spec.kind == SettingKind::Float) << spec.name;
  }
  EXPECT_EQ(names.size(), 26u);
  EXPECT_STREQ(SettingsTable[0].name, "flag_clock");
  EXPECT_STREQ(SettingsTable[8].name, "ColorDepth");
  EXPECT_STREQ(SettingsTable[25].name, "IndexCity");
  // The record's own initial values are the first-run column on an
  // 800 x 600 x 32 desktop.
  hb->SetDesktopMode({800, 600, 32});
  EXPECT_EQ(FirstRunSettings(), FirstRunOn(800, 600, 32));
  EXPECT_EQ(SettingsRecord{}, FirstRunOn(800, 600, 32));
  hb->SetDesktopMode({1920, 1080, 16});
  EXPECT_EQ(FirstRunSettings(), FirstRunOn(1920, 1080, 16));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(kFirstPlaceLat), 0x424B2222u);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(kFirstPlaceLng), 0x40C33333u);
}

TEST_F(SettingsTest, SceneFirstRunOnACleanHome) {
  hb->SetDesktopMode({1280, 1024, 16});
  SettingsRecord s;
  s.NumEagles = 99;
  SceneLoadResult r = SceneLoadSettings(store, s, 0);
  EXPECT_TRUE(r.first_run);
  EXPECT_EQ(hb->Calls(Op::DirectDrawCreate), 0);  // no 32-bit search on the first run
  EXPECT_EQ(s.ResHor, 1280);
  EXPECT_EQ(s.ResVert, 1024);
  EXPECT_EQ(s.ColorDepth, 16);
  EXPECT_EQ(s.clockX, 1190);
  EXPECT_EQ(s.clockY, 90);
  EXPECT_EQ(s.clockRad, 70);
  EXPECT_EQ(s.ColorClock, 0xC59F5Au);  // drawn in this colour during the first run
  EXPECT_EQ(s.NumEagles, 4);
  EXPECT_TRUE(s.FlagDemoDaytime);

  // All 26 stored, the colour as white and the place as entry 0.
  int count = 0;
  for (const SettingSpec& spec : SettingsTable)
    count += File().find("\"" + std::string(spec.name) + "\"=") != std::string::npos;
  EXPECT_EQ(count, 26);
  EXPECT_TRUE(Has("\"ColorClock\"=dword:00ffffff"));
  EXPECT_TRUE(Has("\"IndexCity\"=dword:00000000"));
  EXPECT_TRUE(Has("\"ResHor\"=dword:00000500"));
  EXPECT_TRUE(Has("\"clockX\"=dword:000004a6"));
  EXPECT_TRUE(Has("\"flag_fps\"=dword:00000000"));
  EXPECT_TRUE(Has("\"RegLat\"=hex:00,00,00,40,44,64,49,40"));  // 50.783333f as a double

  // The second run reads white, and with a listed 32-bit mode opens at 32.
  SettingsRecord again;
  r = SceneLoadSettings(store, again, 0);
  EXPECT_FALSE(r.first_run);
  EXPECT_TRUE(r.found_32bit);
  EXPECT_EQ(again.ColorClock, 0xFFFFFFu);
  EXPECT_EQ(again.ColorDepth, 32);
  EXPECT_EQ(again.ResHor, 1280);
  EXPECT_EQ(again.RegLat, 50.783333f);  // entry 0, AACHEN GE
  EXPECT_EQ(again.RegLng, 6.1f);
}

TEST_F(SettingsTest, TheSceneLooksFor32BitsOnlyWhenItHelps) {
  hb->SetDesktopMode({1024, 768, 16});
  SettingsRecord s;
  SceneLoadSettings(store, s, 0);

  // No 32-bit mode listed: the desktop's depth stays.
  hb->SetModes({{800, 600, 16}, {1024, 768, 16}, {1024, 768, 24}});
  SceneLoadResult r = SceneLoadSettings(store, s, 0);
  EXPECT_FALSE(r.found_32bit);
  EXPECT_EQ(s.ColorDepth, 16);

  // DirectDraw cannot be created: the message, and the depth stays.
  hb->SetModes({{640, 480, 32}});
  hb->FailOnce(Op::DirectDrawCreate, E_FAIL);
  r = SceneLoadSettings(store, s, 0x4242);
  EXPECT_EQ(s.ColorDepth, 16);
  ASSERT_EQ(hb->Messages().size(), 1u);
  EXPECT_EQ(hb->Messages()[0].text, "DirectDraw Init FAILED");
  EXPECT_EQ(hb->Messages()[0].caption, "Screen saver");
  EXPECT_EQ(hb->Messages()[0].owner, 0x4242u);

  // A 32-bit desktop needs no search; with flag_defres false nothing
  // replaces the stored mode.
  const int calls = hb->Calls(Op::DirectDrawCreate);
  hb->SetDesktopMode({1024, 768, 32});
  SceneLoadSettings(store, s, 0);
  store.Write("flag_defres", false);
  store.Write("ResHor", 800);
  store.Write("ResVert", 600);
  store.Write("ColorDepth", 16);
  SceneLoadSettings(store, s, 0);
  EXPECT_EQ(hb->Calls(Op::DirectDrawCreate), calls);
  EXPECT_EQ(s.ResHor, 800);
  EXPECT_EQ(s.ColorDepth, 16);
}

TEST_F(SettingsTest, DesktopModeOverridesAStoredSizeForSceneAndDialog) {
  hb->SetDesktopMode({1152, 864, 32});
  SettingsRecord s;
  SceneLoadSettings(store, s, 0);
  store.Write("ResHor", 800);
  store.Write("ResVert", 600);
  SettingsRecord scene, dialog;
  SceneLoadSettings(store, scene, 0);
  DialogLoadSettings(store, dialog);
  EXPECT_EQ(scene.ResHor, 1152);
  EXPECT_EQ(scene.ResVert, 864);
  EXPECT_EQ(dialog.ResHor, 1152);
  EXPECT_EQ(dialog.ResVert, 864);
}

TEST_F(SettingsTest, DialogFirstRunLoadAndSave) {
  hb->SetDesktopMode({1024, 768, 16});
  SettingsRecord d;
  EXPECT_TRUE(DialogLoadSettings(store, d));
  EXPECT_EQ(d.ColorClock, 0x059F5Au);  // the dialog's working colour
  EXPECT_TRUE(Has("\"ColorClock\"=dword:00ffffff"));
  EXPECT_EQ(hb->Calls(Op::DirectDrawCreate), 0);  // the dialog never searches

  // The dialog reads IndexCity; the scene never does.
  store.Write("IndexCity", 42);
  SettingsRecord again, scene;
  EXPECT_FALSE(DialogLoadSettings(store, again));
  EXPECT_EQ(again.IndexCity, 42);
  EXPECT_EQ(again.ColorDepth, 16);
  SceneLoadSettings(store, scene, 0);
  EXPECT_EQ(scene.IndexCity, 0);

  // "OK" writes the working copy, colour included, and it loads back.
  d.flag_defres = false;
  d.ResHor = 1280;
  d.ResVert = 1024;
  d.ColorDepth = 24;
  d.ColorClock = 0x123456;
  d.RegLat = -33.87f;
  d.RegLng = 151.2f;
  d.RegOfUTC = 10;
  d.IndexCity = 3000;
  d.Gamma = 128;
  d.FlagDaytime = true;
  d.FlagDemoDaytime = false;
  EXPECT_TRUE(DialogSaveSettings(store, d));
  SettingsRecord back;
  DialogLoadSettings(store, back);
  EXPECT_EQ(back, d);
}

TEST_F(SettingsTest, TheSceneNeverReadsIndexCity) {
  RegDocument doc;
  SettingsRecord s = FirstRunSettings();
  for (const SettingSpec& spec : SettingsTable)
    if (std::string(spec.name) != "IndexCity") doc.Set(test::kKey, spec.name, RegValue::Dword(1));
  doc.Set(test::kKey, "RegLat", RegValue::Binary({0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  doc.Set(test::kKey, "RegLng", RegValue::Binary({0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  test::WriteFile(dir.StorePath(), doc.Serialize());
  EXPECT_NO_THROW(SceneLoadSettings(store, s, 0));
  EXPECT_EQ(s.RegLat, 1.0f);
  try {
    DialogLoadSettings(store, s);
    ADD_FAILURE() << "the dialog must read IndexCity";
  } catch (const ERegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to get data for 'IndexCity'");
  }
}

TEST_F(SettingsTest, AMissingOrMistypedValueStopsTheLoad) {
  SettingsRecord s;
  SceneLoadSettings(store, s, 0);
  test::WriteFile(dir.StorePath(), "Windows Registry Editor Version 5.00\n\n[" + std::string(test::kKey) +
                                       "]\n\"flag_clock\"=dword:00000001\n\"flag_PlaySound\"=\"yes\"\n");
  EXPECT_THROW(
      {
        try {
          SceneLoadSettings(store, s, 0);
        } catch (const ERegistryError& e) {
          EXPECT_STREQ(e.what(), "Invalid data type for 'flag_PlaySound'");
          throw;
        }
      },
      ERegistryError);
}

TEST_F(SettingsTest, ADamagedStoreIsReportedAndTheSceneStartsAsOnItsFirstRun) {
  test::WriteFile(dir.StorePath(), "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\SOFT");
  std::string report;
  store.OnStoreDamaged = [&](TSetReg*, const std::string& m) { report = m; };
  SettingsRecord s;
  testing::internal::CaptureStderr();
  EXPECT_TRUE(SceneLoadSettings(store, s, 0).first_run);
  testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("damaged"), std::string::npos);
  EXPECT_EQ(dir.FilesStartingWith("registry.reg.damaged-").size(), 1u);
  EXPECT_TRUE(Has("\"ColorClock\"=dword:00ffffff"));
}

// A hand edit gone wrong costs only the values it broke: the rest load as
// stored, the broken ones start from their first-run values, and the file
// written back holds all 26 so that the next start reads it cleanly.
TEST_F(SettingsTest, ADamagedStoreKeepsEveryValueThatCanBeRead) {
  SettingsRecord s;
  SceneLoadSettings(store, s, 0);
  std::string text = File();
  auto replace = [&](const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  };
  replace("\"Gamma\"=dword:00000100", "\"Gamma\" = DWORD:80");      // slips: read as meant
  replace("\"NumEagles\"=dword:00000004", "\"NumEagles\"=dword:2");
  replace("\"clockY\"=dword:0000005a", "\"clockY\"=dword:5a5a5a5a5a");  // broken
  replace("\"RegLat\"=hex:00,00,00,40,44,64,49,40", "\"RegLat\"=hex:00,00,00,40,44,64,49,4");  // broken
  text.pop_back();  // and no line end after the last line
  test::WriteFile(dir.StorePath(), text);
  std::string report;
  store.OnStoreDamaged = [&](TSetReg*, const std::string& m) { report += m; };
  SettingsRecord loaded;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SceneLoadSettings(store, loaded, 0).first_run);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(loaded.Gamma, 0x80);
  EXPECT_EQ(loaded.NumEagles, 2);
  EXPECT_EQ(loaded.clockY, 90);
  EXPECT_EQ(loaded.RegLat, kFirstPlaceLat);
  EXPECT_NE(report.find("'clockY'"), std::string::npos) << report;
  EXPECT_NE(report.find("'RegLat'"), std::string::npos) << report;
  EXPECT_EQ(report.find("'Gamma'"), std::string::npos) << report;
  EXPECT_NE(err.find(report), std::string::npos);
  EXPECT_EQ(dir.FilesStartingWith("registry.reg.damaged-").size(), 1u);

  report.clear();
  SettingsRecord next;
  SceneLoadSettings(store, next, 0);
  EXPECT_EQ(report, "");
  EXPECT_EQ(next, loaded);
}

TEST_F(SettingsTest, DefaultSettingResetsEveryValueIncludingThePlace) {
  hb->SetDesktopMode({1280, 1024, 32});
  SettingsRecord s;
  s.flag_fps = true;
  s.Gamma = 10;
  s.flag_defres = false;
  s.ResHor = 800;
  s.clockRad = 200;
  s.ColorClock = 0x059F5A;
  s.NumEagles = 0;
  s.FlagDaytime = true;
  s.FlagDemoDaytime = false;
  s.RegLat = -33.87f;
  s.RegLng = 151.2f;
  s.RegOfUTC = 10;
  s.ShowRisSet = false;
  s.IndexCity = 3000;
  ApplyDefaultSetting(s);
  EXPECT_EQ(s, FirstRunOn(1280, 1024, 32));
  EXPECT_EQ(s.ResHor, 1280);
  EXPECT_EQ(s.clockX, 1190);
  EXPECT_EQ(s.ColorClock, 12951386u);
  EXPECT_EQ(s.RegLat, kFirstPlaceLat);
  EXPECT_TRUE(s.ShowRisSet);
  EXPECT_FALSE(std::filesystem::exists(dir.StorePath()));  // nothing stored
}

}  // namespace
}  // namespace sandloop
