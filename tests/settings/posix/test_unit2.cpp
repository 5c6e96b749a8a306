#include "settings/Unit2.h"

#include <gtest/gtest.h>

#include "diag/DDErrorLog.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "sun/SunTime.h"
#include "tests/settings/TempStore.h"

namespace sandloop {
namespace {

using display::CreateHeadlessBackend;
using display::HeadlessBackend;
using display::Op;
using test::ReadFile;

constexpr int kLondon = 2015;
constexpr int kMurmansk = 2359;

LocalTime Midsummer2004() {
  LocalTime t;
  t.year = 2004;
  t.month = 6;
  t.day = 21;
  return t;
}

class Unit2Test : public ::testing::Test {
 protected:
  Unit2Test() : hb(CreateHeadlessBackend()), clock(Midsummer2004()) {
    hb->SetDesktopMode({1280, 1024, 32});
    display::SetBackend(hb);
  }
  ~Unit2Test() override { display::SetBackend(nullptr); }

  // A dialog model on the test's store whose messages are recorded.
  std::unique_ptr<TForm2> Create() {
    auto form = std::make_unique<TForm2>(nullptr, Sink(), clock);
    form->SetReg1.SetStorePath(dir.StorePath());
    form->FormCreate();
    return form;
  }
  MessageSink Sink() {
    return [this](const std::string& text, const std::string& caption) { messages.push_back(caption + "|" + text); };
  }
  // A store whose values are those of `s` (the first run's otherwise).
  void Store(const SettingsRecord& s) {
    TSetReg store(nullptr);
    ConfigureSettingsStore(store);
    store.SetStorePath(dir.StorePath());
    ASSERT_TRUE(DialogSaveSettings(store, s));
  }
  std::string File() const { return ReadFile(dir.StorePath()); }

  test::TempDir dir;
  std::shared_ptr<HeadlessBackend> hb;
  FixedClock clock;
  std::vector<std::string> messages;
};

TEST_F(Unit2Test, CreationOnACleanHomeShowsTheFirstRunSettings) {
  hb->SetModes({{800, 600, 16}, {800, 600, 32}, {1024, 768, 32}, {1280, 1024, 16}, {1280, 1024, 32}});
  auto f = Create();
  EXPECT_TRUE(messages.empty());
  // The first run stored the defaults with the dialog's colour kept.
  EXPECT_NE(File().find("\"IndexCity\"=dword:00000000"), std::string::npos);
  EXPECT_EQ(f->Settings.ColorClock, kDialogFirstRunColor);
  EXPECT_EQ(f->PanelColor, kDialogFirstRunColor);
  EXPECT_EQ(f->RadioGroup3.ItemIndex(), kDesktopButton);
  EXPECT_EQ(f->Buttons.size_enabled, (std::array<bool, 4>{true, false, false, true}));
  EXPECT_EQ(f->Buttons.depth_enabled, (std::array<bool, 3>{false, false, false}));
  EXPECT_EQ(f->SpeedGroup.ItemIndex(), 1);
  EXPECT_EQ(f->TimeOfDayGroup.ItemIndex(), 1);
  EXPECT_EQ(f->Edit1X, "1190");
  EXPECT_EQ(f->ComboBox1ItemIndex, 0);
  // AACHEN GE's times, computed for the clock's date.
  const CityRecord& aachen = f->Cities()[0];
  EXPECT_EQ(f->LabelSunrise,
            FormatSunTime(SunEventTime(SunEvent::Sunrise, aachen.latitude, aachen.longitude, aachen.ofUTC, false, clock)));
  EXPECT_EQ(f->LabelSunset,
            FormatSunTime(SunEventTime(SunEvent::Sunset, aachen.latitude, aachen.longitude, aachen.ofUTC, false, clock)));
  EXPECT_TRUE(f->TrackBar1.Enabled);
}

TEST_F(Unit2Test, LondonAtMidsummerWithAndWithoutDaylightSaving) {
  auto f = Create();
  f->ComboBox1Change(kLondon);
  EXPECT_EQ(f->LabelSunrise, "3:42AM");
  EXPECT_EQ(f->LabelSunset, "8:20PM");
  EXPECT_EQ(f->Settings.IndexCity, kLondon);
  EXPECT_EQ(f->Settings.RegLat, 51.53333282f);
  EXPECT_EQ(f->Settings.RegLng, 0.0833333358f);
  EXPECT_EQ(f->Settings.RegOfUTC, 0);

  // Ticking the box takes the place from the table again.
  f->Settings.RegLat = 1;
  f->Settings.RegLng = 2;
  f->Settings.RegOfUTC = 3;
  f->CheckBox4.SetChecked(true);
  EXPECT_TRUE(f->Settings.FlagDaylightSavingTime);
  EXPECT_EQ(f->LabelSunrise, "4:42AM");
  EXPECT_EQ(f->LabelSunset, "9:20PM");
  EXPECT_EQ(f->Settings.RegLat, 51.53333282f);
  EXPECT_EQ(f->Settings.RegLng, 0.0833333358f);
  EXPECT_EQ(f->Settings.RegOfUTC, 0);
  EXPECT_TRUE(messages.empty());
}

TEST_F(Unit2Test, PolarDayGivesItsMessageTwiceAndMidnight) {
  auto f = Create();
  f->ComboBox1Change(kMurmansk);
  const std::string never_sets = std::string(kApplicationTitle) + "|" + std::string(kNeverSetsText);
  EXPECT_EQ(messages, (std::vector<std::string>{never_sets, never_sets}));
  EXPECT_EQ(f->LabelSunrise, "0:00AM");
  EXPECT_EQ(f->LabelSunset, "0:00AM");
  // With the daylight-saving hour: again twice, and 1:00AM.
  f->CheckBox4.SetChecked(true);
  EXPECT_EQ(messages.size(), 4u);
  EXPECT_EQ(f->LabelSunrise, "1:00AM");
}

TEST_F(Unit2Test, TextThatSelectsNoCityKeepsThePlace) {
  auto f = Create();
  f->ComboBox1Change(kLondon);
  f->ComboBox1Change(-1);
  EXPECT_EQ(f->ComboBox1ItemIndex, -1);
  EXPECT_EQ(f->Settings.IndexCity, kLondon);
  EXPECT_EQ(f->LabelSunrise, "3:42AM");
  // The daylight-saving hour still applies to the place shown.
  f->CheckBox4.SetChecked(true);
  EXPECT_EQ(f->LabelSunrise, "4:42AM");
  EXPECT_EQ(f->Settings.RegOfUTC, 0);
  f->ComboBox1Change(4000);  // not an item either
  EXPECT_EQ(f->Settings.IndexCity, kLondon);
}

TEST_F(Unit2Test, ClockLimitsWhenLeavingTheEdits) {
  SettingsRecord s = FirstRunSettings();
  s.flag_defres = false;
  s.ResHor = 1024;
  s.ResVert = 768;
  Store(s);
  auto f = Create();
  ASSERT_EQ(f->Settings.ResHor, 1024);
  f->Edit1X = "5";
  f->Edit1XExit();
  EXPECT_EQ(f->Edit1X, "90");
  f->Edit1X = "5000";
  f->Edit1XExit();
  EXPECT_EQ(f->Edit1X, "934");
  EXPECT_EQ(f->Settings.clockX, 934);
  f->EditY = "";  // no number reads as 0
  f->EditYExit();
  EXPECT_EQ(f->EditY, "90");

  // At a height of 600 the largest radius is 260; the centre is then
  // limited again with the margin 280.
  f->RadioGroup3.Select(0);
  ASSERT_EQ(f->Settings.ResVert, 600);
  f->Edit3R = "300";
  f->Edit3RExit();
  EXPECT_EQ(f->Edit3R, "260");
  EXPECT_EQ(f->Edit1X, "520");  // 800 - 280
  EXPECT_EQ(f->EditY, "280");
  f->Edit3R = "12";
  f->Edit3RExit();
  EXPECT_EQ(f->Settings.clockRad, 70);
  f->Edit3R = "99999999999999";
  f->Edit3RExit();
  EXPECT_EQ(f->Settings.clockRad, 260);
}

TEST_F(Unit2Test, EditsTakeOnlyDigits) {
  for (char c : std::string("0123456789")) {
    char key = c;
    TForm2::Edit1XKeyPress(key);
    EXPECT_EQ(key, c);
  }
  for (char c : std::string("a-+ \b.")) {
    char key = c;
    TForm2::Edit1XKeyPress(key);
    EXPECT_EQ(key, 0) << int(c);
  }
}

TEST_F(Unit2Test, ModeButtonsAndTheClockPlace) {
  hb->SetModes({{800, 600, 16}, {800, 600, 24}, {1280, 1024, 16}});
  hb->SetDesktopMode({1280, 1024, 8});
  auto f = Create();
  ASSERT_EQ(f->DepthGroup.ItemIndex(), -1);
  f->RadioGroup3.Select(3);
  EXPECT_FALSE(f->Settings.flag_defres);
  EXPECT_EQ(f->Settings.ResHor, 1280);
  // A size leaves the depth alone: none is selected, the desktop's stays.
  EXPECT_EQ(f->DepthGroup.ItemIndex(), -1);
  EXPECT_EQ(f->Settings.ColorDepth, 8);
  EXPECT_EQ(f->Buttons.depth_enabled, (std::array<bool, 3>{true, true, false}));
  f->ModeButtonMouseUp(3);
  EXPECT_EQ(f->Edit1X, "1190");
  EXPECT_EQ(f->EditY, "90");
  EXPECT_EQ(f->Edit3R, "70");
  // A disabled size button moves nothing.
  f->Edit1X = "500";
  f->ModeButtonMouseUp(1);
  EXPECT_EQ(f->Edit1X, "500");
  f->RadioGroup3.Select(kDesktopButton);
  EXPECT_TRUE(f->Settings.flag_defres);
  EXPECT_EQ(f->Buttons.depth_enabled, (std::array<bool, 3>{false, false, false}));
}

TEST_F(Unit2Test, TimeOfDayChoicesSetBothFlags) {
  auto f = Create();
  f->TimeOfDayGroup.Select(2);
  EXPECT_TRUE(f->Settings.FlagDaytime);
  EXPECT_FALSE(f->Settings.FlagDemoDaytime);
  f->TimeOfDayGroup.Select(0);
  EXPECT_FALSE(f->Settings.FlagDaytime);
  EXPECT_FALSE(f->Settings.FlagDemoDaytime);
  f->TimeOfDayGroup.Select(1);
  EXPECT_FALSE(f->Settings.FlagDaytime);
  EXPECT_TRUE(f->Settings.FlagDemoDaytime);
}

TEST_F(Unit2Test, ClockSwitchAndColourChoice) {
  auto f = Create();
  f->CheckBox3Showclock.SetChecked(false);
  EXPECT_FALSE(f->Settings.flag_clock);
  EXPECT_FALSE(f->ClockControlsEnabled);
  EXPECT_FALSE(f->PanelColor.has_value());  // the menu colour
  f->CheckBox3Showclock.SetChecked(true);
  EXPECT_TRUE(f->ClockControlsEnabled);
  EXPECT_EQ(f->PanelColor, f->Settings.ColorClock);

  // The colour dialog opens on the colour last chosen in it, black at
  // first; cancelling changes nothing.
  std::vector<COLORREF> opened_on;
  COLORREF answer = 0x123456;
  bool confirm = true;
  f->ExecuteColorDialog = [&](COLORREF& c) {
    opened_on.push_back(c);
    c = answer;
    return confirm;
  };
  f->Button1Click();
  EXPECT_EQ(f->Settings.ColorClock, 0x123456u);
  EXPECT_EQ(f->PanelColor, 0x123456u);
  confirm = false;
  answer = 0xABCDEF;
  f->Button1Click();
  EXPECT_EQ(f->Settings.ColorClock, 0x123456u);
  EXPECT_EQ(opened_on, (std::vector<COLORREF>{0, 0x123456}));
}

// Whether field `spec` of two records holds the same value.
bool SameField(const SettingSpec& spec, const SettingsRecord& a, const SettingsRecord& b) {
  switch (spec.kind) {
    case SettingKind::Bool: return a.*spec.as_bool == b.*spec.as_bool;
    case SettingKind::Int: return a.*spec.as_int == b.*spec.as_int;
    case SettingKind::Float: return a.*spec.as_float == b.*spec.as_float;
    case SettingKind::Color: return a.*spec.as_color == b.*spec.as_color;
  }
  return false;
}

TEST_F(Unit2Test, DefaultSettingOnA1280x1024x32DesktopStoresNothingUntilOK) {
  // What the button gives on this desktop, every one of the 26 values.
  SettingsRecord expected;
  expected.flag_clock = true;
  expected.flag_PlaySound = true;
  expected.flag_fps = false;
  expected.TermMouse = true;
  expected.Gamma = 256;
  expected.flag_defres = true;
  expected.ResHor = 1280;
  expected.ResVert = 1024;
  expected.ColorDepth = 32;
  expected.clockX = 1190;
  expected.clockY = 90;
  expected.clockRad = 70;
  expected.ColorClock = 12951386;
  expected.SetSpeed = 1;
  expected.NumEagles = 4;
  expected.FlagShowEagles = true;
  expected.FlagShowButterfly = true;
  expected.FlagDaytime = false;
  expected.FlagDemoDaytime = true;
  expected.FlagShowSimulateTime = true;
  expected.FlagDaylightSavingTime = false;
  expected.RegLat = 50.783333f;  // entry 0, AACHEN GE
  expected.RegLng = 6.1f;
  expected.RegOfUTC = 1;
  expected.ShowRisSet = true;
  expected.IndexCity = 0;
  // A stored state in which every value differs from that.
  SettingsRecord s;
  s.flag_clock = false;
  s.flag_PlaySound = false;
  s.flag_fps = true;
  s.TermMouse = false;
  s.Gamma = 100;
  s.flag_defres = false;
  s.ResHor = 800;
  s.ResVert = 600;
  s.ColorDepth = 16;
  s.clockX = 300;
  s.clockY = 200;
  s.clockRad = 100;
  s.ColorClock = 0x0000FF;
  s.SetSpeed = 2;
  s.NumEagles = 1;
  s.FlagShowEagles = false;
  s.FlagShowButterfly = false;
  s.FlagDaytime = true;
  s.FlagDemoDaytime = false;
  s.FlagShowSimulateTime = false;
  s.FlagDaylightSavingTime = true;
  s.RegLat = 10;
  s.RegLng = 20;
  s.RegOfUTC = -3;
  s.ShowRisSet = false;
  s.IndexCity = kLondon;
  for (const SettingSpec& spec : SettingsTable) ASSERT_FALSE(SameField(spec, s, expected)) << spec.name;
  Store(s);
  const std::string before = File();
  auto f = Create();
  ASSERT_EQ(f->RadioGroup3.ItemIndex(), 0);
  ASSERT_EQ(f->DepthGroup.ItemIndex(), 0);
  ASSERT_FALSE(f->ClockControlsEnabled);

  f->Button1DefaultClick();
  for (const SettingSpec& spec : SettingsTable) EXPECT_TRUE(SameField(spec, f->Settings, expected)) << spec.name;
  EXPECT_EQ(f->RadioGroup3.ItemIndex(), kDesktopButton);
  EXPECT_TRUE(f->CheckBox3Showclock.Checked());
  EXPECT_TRUE(f->ClockControlsEnabled);
  EXPECT_TRUE(f->CheckBox1PlaySound.Checked());
  EXPECT_FALSE(f->CheckBox2ShowFPS.Checked());
  EXPECT_EQ(f->RadioGroup1.ItemIndex(), 0);
  EXPECT_TRUE(f->CheckBox1.Checked());
  EXPECT_TRUE(f->CheckBox2.Checked());
  EXPECT_TRUE(f->CheckBox3.Checked());
  EXPECT_TRUE(f->CheckBox5.Checked());
  EXPECT_FALSE(f->CheckBox4.Checked());
  EXPECT_EQ(f->TrackBar1.Position(), 256);
  EXPECT_EQ(f->Buttons.depth_enabled, (std::array<bool, 3>{false, false, false}));
  EXPECT_EQ(f->Settings.ResHor, 1280);
  EXPECT_EQ(f->Settings.ColorDepth, 32);
  EXPECT_EQ(f->Edit1X, "1190");
  EXPECT_EQ(f->EditY, "90");
  EXPECT_EQ(f->Edit3R, "70");
  EXPECT_EQ(f->Settings.ColorClock, 12951386u);
  EXPECT_EQ(f->PanelColor, 12951386u);
  EXPECT_EQ(f->SpeedGroup.ItemIndex(), 1);
  EXPECT_EQ(f->RxSpinEdit1.Position(), 4);
  EXPECT_EQ(f->TimeOfDayGroup.ItemIndex(), 1);
  EXPECT_EQ(f->ComboBox1ItemIndex, 0);
  const CityRecord& aachen = f->Cities()[0];
  EXPECT_EQ(f->LabelSunrise,
            FormatSunTime(SunEventTime(SunEvent::Sunrise, aachen.latitude, aachen.longitude, aachen.ofUTC, false, clock)));
  EXPECT_EQ(File(), before);

  f->Button1OKClick();
  EXPECT_TRUE(f->Closed());
  TSetReg store(nullptr);
  ConfigureSettingsStore(store);
  store.SetStorePath(dir.StorePath());
  SettingsRecord stored;
  ASSERT_FALSE(DialogLoadSettings(store, stored));
  EXPECT_EQ(stored, f->Settings);
  EXPECT_EQ(stored.ColorClock, 12951386u);
  EXPECT_EQ(stored.IndexCity, 0);
}

TEST_F(Unit2Test, CancelAndCloseStoreNothingAndOKStoresAll26) {
  Store(FirstRunSettings());
  const std::string before = File();
  auto f = Create();
  bool closed = false;
  f->OnClose = [&] { closed = true; };
  f->CheckBox1PlaySound.SetChecked(false);
  f->ComboBox1Change(kLondon);
  f->TrackBar1.SetPosition(100);
  f->Button1CancelClick();
  EXPECT_TRUE(closed);
  EXPECT_EQ(File(), before);

  auto g = Create();
  g->CheckBox1PlaySound.SetChecked(false);
  g->CheckBox2ShowFPS.SetChecked(true);
  g->RadioGroup1.Select(1);
  g->SpeedGroup.Select(0);
  g->RxSpinEdit1.SetPosition(2);
  g->CheckBox1.SetChecked(false);
  g->CheckBox2.SetChecked(false);
  g->TrackBar1.SetPosition(100);
  g->TimeOfDayGroup.Select(2);
  g->CheckBox3.SetChecked(false);
  g->CheckBox5.SetChecked(false);
  g->ComboBox1Change(kLondon);
  g->CheckBox4.SetChecked(true);
  g->Button1OKClick();
  EXPECT_TRUE(g->Closed());
  const std::string after = File();
  for (const SettingSpec& spec : SettingsTable)
    EXPECT_NE(after.find(std::string("\"") + spec.name + "\"="), std::string::npos) << spec.name;
  TSetReg store(nullptr);
  ConfigureSettingsStore(store);
  store.SetStorePath(dir.StorePath());
  SettingsRecord stored;
  DialogLoadSettings(store, stored);
  EXPECT_EQ(stored, g->Settings);
  EXPECT_FALSE(stored.flag_PlaySound);
  EXPECT_TRUE(stored.flag_fps);
  EXPECT_FALSE(stored.TermMouse);
  EXPECT_EQ(stored.SetSpeed, 0);
  EXPECT_EQ(stored.NumEagles, 2);
  EXPECT_EQ(stored.Gamma, 100);
  EXPECT_TRUE(stored.FlagDaytime);
  EXPECT_FALSE(stored.FlagShowSimulateTime);
  EXPECT_EQ(stored.IndexCity, kLondon);
  EXPECT_EQ(stored.RegOfUTC, 0);
  EXPECT_TRUE(stored.FlagDaylightSavingTime);
}

TEST_F(Unit2Test, StoredValuesTheControlsCannotShowBecomeTheNearestChoice) {
  SettingsRecord s = FirstRunSettings();
  s.flag_defres = false;
  s.ResHor = 1024;
  s.ResVert = 768;
  s.ColorDepth = 8;
  s.Gamma = 300;
  s.NumEagles = 9;
  s.IndexCity = 5000;
  Store(s);
  auto f = Create();
  EXPECT_EQ(f->DepthGroup.ItemIndex(), 0);
  EXPECT_EQ(f->Settings.ColorDepth, 16);
  EXPECT_EQ(f->TrackBar1.Position(), 256);
  EXPECT_EQ(f->Settings.Gamma, 256);
  EXPECT_EQ(f->RxSpinEdit1.Position(), 5);
  EXPECT_EQ(f->Settings.NumEagles, 5);
  EXPECT_EQ(f->ComboBox1ItemIndex, 3936);
  EXPECT_EQ(f->Settings.IndexCity, 3936);

  s.IndexCity = -7;
  s.NumEagles = -1;
  s.ColorDepth = 28;  // nearer 32 than 24
  s.Gamma = -5;
  Store(s);
  auto g = Create();
  EXPECT_EQ(g->ComboBox1ItemIndex, 0);
  EXPECT_EQ(g->Settings.NumEagles, 0);
  EXPECT_EQ(g->Settings.ColorDepth, 32);
  EXPECT_EQ(g->Settings.Gamma, 0);
  EXPECT_EQ(NearestDepthIndex(20), 1);  // a tie goes to the deeper
}

// Branches of showing the stored settings at creation.
TEST_F(Unit2Test, CreationShowsTheStoredSettingsThroughTheControlsSteps) {
  SettingsRecord s = FirstRunSettings();
  s.flag_defres = false;
  s.ResHor = 1600;  // not one of the four sizes
  s.ResVert = 900;
  s.ColorDepth = 16;
  s.flag_clock = false;
  s.SetSpeed = 7;
  s.FlagDaylightSavingTime = true;
  s.IndexCity = kLondon;
  s.RegLat = 10;  // not London's place
  s.RegLng = 20;
  s.RegOfUTC = -3;
  Store(s);
  auto f = Create();
  // The width selects "Use desktop settings", which reads the desktop.
  EXPECT_EQ(f->RadioGroup3.ItemIndex(), kDesktopButton);
  EXPECT_TRUE(f->Settings.flag_defres);
  EXPECT_EQ(f->Settings.ResHor, 1280);
  EXPECT_EQ(f->Settings.ResVert, 1024);
  EXPECT_EQ(f->Buttons.depth_enabled, (std::array<bool, 3>{false, false, false}));
  // "Show clock" unticked disables the clock's controls at once.
  EXPECT_FALSE(f->CheckBox3Showclock.Checked());
  EXPECT_FALSE(f->ClockControlsEnabled);
  // Speed 7 shows as "Normal" and is kept.
  EXPECT_EQ(f->SpeedGroup.ItemIndex(), 1);
  EXPECT_EQ(f->Settings.SetSpeed, 7);
  // The ticked daylight-saving box takes the selected city's place.
  const CityRecord& london = f->Cities()[kLondon];
  EXPECT_TRUE(f->CheckBox4.Checked());
  EXPECT_EQ(f->Settings.RegLat, london.latitude);
  EXPECT_EQ(f->Settings.RegLng, london.longitude);
  EXPECT_EQ(f->Settings.RegOfUTC, london.ofUTC);
  EXPECT_EQ(f->LabelSunrise, "4:42AM");
  EXPECT_EQ(f->LabelSunset, "9:20PM");
}

TEST_F(Unit2Test, WithoutGammaSupportTheTrackBarIsGreyAndGammaStays) {
  hb->SetGammaSupported(false);
  SettingsRecord s = FirstRunSettings();
  s.Gamma = 100;
  Store(s);
  auto f = Create();
  EXPECT_FALSE(f->TrackBar1.Enabled);
  EXPECT_TRUE(f->GammaLabelsInactive);
  EXPECT_EQ(f->TrackBar1.Position(), 256);
  EXPECT_EQ(f->Settings.Gamma, 100);
}

TEST_F(Unit2Test, RunModesHiddenDialogWritesItsMessagesToTheLog) {
  hb->FailNext(Op::DirectDrawCreate, E_FAIL, 2);
  SettingsRecord s = FirstRunSettings();
  s.IndexCity = kMurmansk;
  Store(s);
  setenv("XDG_CONFIG_HOME", (dir.Path() + "/config").c_str(), 1);
  // A dot in the program's name keeps the log in the test's folder.
  const std::string program = dir.Path() + "/bin/sandloop.scr";
  std::filesystem::create_directories(dir.Path() + "/bin");
  std::string path;
  std::size_t before = 0;
  {
    TDDErrorLog log(nullptr, program);
    path = log.OpenedPath();
    before = ReadFile(path).size();  // a dot higher up the path may share the file
    auto f = CreateHiddenForm2(log, clock);
    EXPECT_EQ(f->ComboBox1ItemIndex, kMurmansk);
    EXPECT_EQ(f->LabelSunrise, "0:00AM");
  }
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_TRUE(hb->Messages().empty());  // no box in front of the scene
  const std::string log = ReadFile(path).substr(before);
  const std::string probe = "Screen saver: DirectDraw Init FAILED\n";
  const std::string polar = std::string(kApplicationTitle) + ": " + std::string(kNeverSetsText) + "\n";
  EXPECT_EQ(log, probe + probe + polar + polar) << log;
}

TEST_F(Unit2Test, ADamagedStoreIsReportedAndTheDefaultsShown) {
  test::WriteFile(dir.StorePath(), "this is not a settings file\n");
  auto f = Create();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Screen saver|the settings file", 0), 0u) << messages[0];
  EXPECT_EQ(dir.FilesStartingWith("registry.reg.damaged-").size(), 1u);
  EXPECT_EQ(f->Settings.ColorClock, kDialogFirstRunColor);
}

TEST_F(Unit2Test, AStoreThatCannotBeWrittenKeepsTheDialogOpen) {
  auto f = Create();
  // The store's folder is a file: the key cannot be created.
  f->SetReg1.SetStorePath(dir.Path() + "/config/sandloop/registry.reg/inside/registry.reg");
  f->Button1OKClick();
  EXPECT_FALSE(f->Closed());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("could not be stored"), std::string::npos) << messages[0];
}

}  // namespace
}  // namespace sandloop
