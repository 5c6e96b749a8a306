#include "settings/Unit2.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "sun/SunTime.h"

namespace sandloop {

namespace {

constexpr int kMarginAroundClock = 20;
constexpr int kSmallestRadius = 70;

}  // namespace

int NearestDepthIndex(int bits) {
  int best = 0;
  for (int i = 1; i < static_cast<int>(kModeDepths.size()); ++i) {
    const long long d = std::llabs(static_cast<long long>(bits) - kModeDepths[static_cast<std::size_t>(i)]);
    const long long b = std::llabs(static_cast<long long>(bits) - kModeDepths[static_cast<std::size_t>(best)]);
    if (d <= b) best = i;
  }
  return best;
}

int LeadingInt(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

TForm2::TForm2(TComponent* owner, MessageSink messages, const LocalClock& clock)
    : TComponent(owner), Messages(std::move(messages)), clock_(clock) {
  ConfigureSettingsStore(SetReg1);
  // A damaged store is set aside and the dialog starts from the defaults;
  // the user is told where the old file went.
  SetReg1.OnStoreDamaged = [this](TSetReg*, const std::string& message) {
    if (Messages) Messages(message, "Screen saver");
  };
  CheckBox1PlaySound.OnClick = [this] { Settings.flag_PlaySound = CheckBox1PlaySound.Checked(); };
  CheckBox2ShowFPS.OnClick = [this] { Settings.flag_fps = CheckBox2ShowFPS.Checked(); };
  for (auto& click : RadioGroup1.OnClick) click = [this] { Settings.TermMouse = RadioGroup1.ItemIndex() == 0; };
  for (int i = 0; i < 3; ++i)
    SpeedGroup.OnClick[static_cast<std::size_t>(i)] = [this, i] {
      if (SpeedGroup.ItemIndex() == i) Settings.SetSpeed = i;
    };
  RxSpinEdit1.OnChange = [this] { Settings.NumEagles = RxSpinEdit1.Position(); };
  CheckBox1.OnClick = [this] { Settings.FlagShowEagles = CheckBox1.Checked(); };
  CheckBox2.OnClick = [this] { Settings.FlagShowButterfly = CheckBox2.Checked(); };

  for (int i = 0; i < kDesktopButton; ++i) RadioGroup3.OnClick[static_cast<std::size_t>(i)] = [this, i] { SelectSize(i); };
  RadioGroup3.OnClick[kDesktopButton] = [this] { SelectDesktop(); };
  for (int i = 0; i < 3; ++i)
    DepthGroup.OnClick[static_cast<std::size_t>(i)] = [this, i] { SelectDepthButton(Settings, i); };
  TrackBar1.OnChange = [this] { Settings.Gamma = TrackBar1.Position(); };

  for (auto& click : TimeOfDayGroup.OnClick)
    click = [this] {
      Settings.FlagDemoDaytime = TimeOfDayGroup.ItemIndex() == 1;
      Settings.FlagDaytime = TimeOfDayGroup.ItemIndex() == 2;
    };
  CheckBox4.OnClick = [this] { DaylightSavingChange(); };
  CheckBox3.OnClick = [this] { Settings.FlagShowSimulateTime = CheckBox3.Checked(); };
  CheckBox5.OnClick = [this] { Settings.ShowRisSet = CheckBox5.Checked(); };
  CheckBox3Showclock.OnClick = [this] { ClockSwitch(); };
}

void TForm2::FormCreate() {
  ProbeDisplayModes(ModeTable, Messages);
  ProbeGammaSupport(GammaAvailable, Messages);
  if (!GammaAvailable) {
    // The track bar keeps its own position; Gamma stays as loaded.
    TrackBar1.Enabled = false;
    GammaLabelsInactive = true;
  }
  ComboBox1ItemIndex = 0;
  DialogLoadSettings(SetReg1, Settings);
  ShowSettings();
}

void TForm2::ShowSettings() {
  CheckBox1PlaySound.SetChecked(Settings.flag_PlaySound);
  CheckBox2ShowFPS.SetChecked(Settings.flag_fps);
  RadioGroup1.Select(Settings.TermMouse ? 0 : 1);
  SpeedGroup.Select(Settings.SetSpeed == 0 ? 0 : Settings.SetSpeed == 2 ? 2 : 1);
  // A stored number the spin edit cannot show becomes the nearest it can,
  // so that "OK" stores what the dialog showed.
  RxSpinEdit1.SetPosition(Settings.NumEagles);
  Settings.NumEagles = RxSpinEdit1.Position();
  CheckBox1.SetChecked(Settings.FlagShowEagles);
  CheckBox2.SetChecked(Settings.FlagShowButterfly);

  UpdateModeButtons(ModeTable, Buttons);
  if (Settings.flag_defres) {
    RadioGroup3.Select(kDesktopButton);
  } else {
    const int size = SizeIndexForWidth(Settings.ResHor);
    if (size < 0) {
      RadioGroup3.Select(kDesktopButton);
    } else {
      RadioGroup3.Select(size);
      // A depth other than 16, 24 or 32 shows (and becomes) the nearest.
      DepthGroup.Select(NearestDepthIndex(Settings.ColorDepth));
      Settings.ColorDepth = kModeDepths[static_cast<std::size_t>(DepthGroup.ItemIndex())];
    }
  }
  if (RadioGroup3.ItemIndex() == kDesktopButton) {
    Settings.flag_defres = true;
    Buttons.depth_enabled = {false, false, false};
  }

  if (GammaAvailable) {
    TrackBar1.SetPosition(Settings.Gamma);
    Settings.Gamma = TrackBar1.Position();
  }

  CheckBox3Showclock.SetChecked(Settings.flag_clock);
  Edit1X = std::to_string(Settings.clockX);
  EditY = std::to_string(Settings.clockY);
  Edit3R = std::to_string(Settings.clockRad);
  PanelColor = Settings.ColorClock;

  TimeOfDayGroup.Select(Settings.FlagDaytime ? 2 : Settings.FlagDemoDaytime ? 1 : 0);
  CheckBox3.SetChecked(Settings.FlagShowSimulateTime);
  CheckBox5.SetChecked(Settings.ShowRisSet);

  // A stored index outside the table shows the nearest entry, and the
  // working copy takes that index so that "OK" stores what was shown.
  const int last = cities_.Count() - 1;
  ComboBox1ItemIndex = Settings.IndexCity < 0 ? 0 : Settings.IndexCity > last ? last : Settings.IndexCity;
  Settings.IndexCity = ComboBox1ItemIndex;
  CheckBox4.SetChecked(Settings.FlagDaylightSavingTime);
  const CityRecord& city = cities_[ComboBox1ItemIndex];
  ShowSunTimes(city.latitude, city.longitude, city.ofUTC);
}

float TForm2::SunTime(bool sunrise, float latitude, float longitude, int ofUTC) {
  const LocalTime now = clock_.Now();
  const SunSteps s = ComputeSunEvent(sunrise ? SunEvent::Sunrise : SunEvent::Sunset, latitude, longitude, ofUTC,
                                     now.year, now.month, now.day);
  if (s.outcome == SunOutcome::Normal) return s.Z;
  if (Messages) {
    const std::string_view text = s.outcome == SunOutcome::NeverRises ? kNeverRisesText : kNeverSetsText;
    Messages(std::string(text), std::string(kApplicationTitle));
  }
  return 0.0f;
}

void TForm2::ShowSunTimes(float latitude, float longitude, int ofUTC) {
  SunriseHours = SunTime(true, latitude, longitude, ofUTC);
  SunsetHours = SunTime(false, latitude, longitude, ofUTC);
  if (Settings.FlagDaylightSavingTime) {
    SunriseHours += 1.0f;
    SunsetHours += 1.0f;
  }
  LabelSunrise = FormatSunTime(SunriseHours);
  LabelSunset = FormatSunTime(SunsetHours);
}

// Choosing a size leaves the depth as it is: coming from the desktop's
// mode no depth button is selected, and the desktop's depth stays the one
// stored until the user picks a depth.
void TForm2::SelectSize(int size_index) { SelectSizeButton(Settings, size_index, ModeTable, Buttons); }

void TForm2::SelectDesktop() { SelectDesktopButton(Settings, Buttons); }

void TForm2::ModeButtonMouseUp(int button) {
  if (!sandloop::ModeButtonMouseUp(Settings, Buttons, button)) return;
  Edit1X = std::to_string(Settings.clockX);
  EditY = std::to_string(Settings.clockY);
  Edit3R = std::to_string(Settings.clockRad);
}

void TForm2::TakeSelectedPlace() {
  const CityRecord& city = cities_[ComboBox1ItemIndex];
  Settings.RegLat = city.latitude;
  Settings.RegLng = city.longitude;
  Settings.RegOfUTC = city.ofUTC;
}

void TForm2::ComboBox1Change(int index) {
  ComboBox1ItemIndex = CityTable::IsValidIndex(index, cities_.Count()) ? index : -1;
  CityChange();
}

// Text that selects no city keeps the place and the times shown before.
void TForm2::CityChange() {
  if (ComboBox1ItemIndex < 0) return;
  TakeSelectedPlace();
  ShowSunTimes(Settings.RegLat, Settings.RegLng, Settings.RegOfUTC);
  Settings.IndexCity = ComboBox1ItemIndex;
}

// With no city selected the hour is added to, or taken from, the place
// shown before.
void TForm2::DaylightSavingChange() {
  Settings.FlagDaylightSavingTime = CheckBox4.Checked();
  if (ComboBox1ItemIndex >= 0) TakeSelectedPlace();
  ShowSunTimes(Settings.RegLat, Settings.RegLng, Settings.RegOfUTC);
}

void TForm2::ClockSwitch() {
  Settings.flag_clock = CheckBox3Showclock.Checked();
  ClockControlsEnabled = Settings.flag_clock;
  if (Settings.flag_clock)
    PanelColor = Settings.ColorClock;
  else
    PanelColor.reset();
}

void TForm2::Edit1XKeyPress(char& key) {
  if (key < '0' || key > '9') key = 0;
}

void TForm2::LimitClockX() {
  const int m = Settings.clockRad + kMarginAroundClock;
  if (Settings.clockX < m)
    Settings.clockX = m;
  else if (Settings.clockX > Settings.ResHor - m)
    Settings.clockX = Settings.ResHor - m;
  Edit1X = std::to_string(Settings.clockX);
}

void TForm2::LimitClockY() {
  const int m = Settings.clockRad + kMarginAroundClock;
  if (Settings.clockY < m)
    Settings.clockY = m;
  else if (Settings.clockY > Settings.ResVert - m)
    Settings.clockY = Settings.ResVert - m;
  EditY = std::to_string(Settings.clockY);
}

void TForm2::Edit1XExit() {
  Settings.clockX = LeadingInt(Edit1X);
  LimitClockX();
}

void TForm2::EditYExit() {
  Settings.clockY = LeadingInt(EditY);
  LimitClockY();
}

void TForm2::Edit3RExit() {
  Settings.clockRad = LeadingInt(Edit3R);
  const int largest = Settings.ResVert / 2 - 40;
  if (Settings.clockRad < kSmallestRadius)
    Settings.clockRad = kSmallestRadius;
  else if (Settings.clockRad > largest)
    Settings.clockRad = largest;
  Edit3R = std::to_string(Settings.clockRad);
  LimitClockX();
  LimitClockY();
}

void TForm2::Button1Click() {
  COLORREF color = ColorDialog1Color;
  if (!ExecuteColorDialog || !ExecuteColorDialog(color)) return;
  ColorDialog1Color = color;
  Settings.ColorClock = color;
  PanelColor = color;
}

void TForm2::Label3Click() {
  if (OpenUrl && !WebAddress.empty()) OpenUrl(WebAddress);
}

void TForm2::Label5Click() {
  if (OpenUrl) OpenUrl(kMailAddress);
}

void TForm2::Button1DefaultClick() {
  ApplyDefaultSetting(Settings);
  ShowSettings();
}

void TForm2::Button1OKClick() {
  if (!DialogSaveSettings(SetReg1, Settings)) {
    if (Messages)
      Messages("The settings could not be stored: " + SetReg1.GetStorePath() + " cannot be created.", "Screen saver");
    return;
  }
  Close();
}

void TForm2::Close() {
  closed_ = true;
  if (OnClose) OnClose();
}

std::unique_ptr<TForm2> CreateHiddenForm2(TDDErrorLog& log, const LocalClock& clock) {
  auto form = std::make_unique<TForm2>(nullptr, LogSink(log), clock);
  form->FormCreate();
  return form;
}

}  // namespace sandloop
