#pragma once
// TForm2: the configuration dialog without its widgets. It holds the
// working copy of the settings and the state of every control (what each
// one shows, whether it is enabled), runs the handlers that a change of a
// control runs, whether the user or the form itself made the change, and
// loads and stores the settings. A view shows this state and forwards the
// user's actions; run mode keeps one hidden, with no view at all.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kit/Component.h"
#include "kit/LocalClock.h"
#include "settings/MessageSink.h"
#include "settings/ModeProbe.h"
#include "settings/SetReg.h"
#include "settings/Settings.h"
#include "sun/CityTable.h"

namespace sandloop {

// A check box: a change of its state runs OnClick.
class TCheckBoxState {
 public:
  explicit TCheckBoxState(bool checked) : checked_(checked) {}
  [[nodiscard]] bool Checked() const { return checked_; }
  void SetChecked(bool value) {
    if (value == checked_) return;
    checked_ = value;
    if (OnClick) OnClick();
  }
  std::function<void()> OnClick;

 private:
  bool checked_;
};

// Radio buttons of one frame: at most one is selected. Selecting a button
// that is not yet selected runs its OnClick; selecting the selected one
// runs nothing (a click on it included).
class TRadioGroupState {
 public:
  TRadioGroupState(int count, int selected) : OnClick(static_cast<std::size_t>(count)), selected_(selected) {}
  [[nodiscard]] int ItemIndex() const { return selected_; }
  [[nodiscard]] int Count() const { return static_cast<int>(OnClick.size()); }
  void Select(int index) {
    if (index == selected_ || index < 0 || index >= Count()) return;
    selected_ = index;
    if (OnClick[static_cast<std::size_t>(index)]) OnClick[static_cast<std::size_t>(index)]();
  }
  std::vector<std::function<void()>> OnClick;

 private:
  int selected_;
};

// A whole-number control with limits (spin edit, track bar): a value
// outside them is held at the nearest limit; a change runs OnChange.
class TRangeState {
 public:
  TRangeState(int min, int max, int position) : min_(min), max_(max), position_(position) {}
  [[nodiscard]] int Position() const { return position_; }
  [[nodiscard]] int Min() const { return min_; }
  [[nodiscard]] int Max() const { return max_; }
  void SetPosition(int value) {
    value = value < min_ ? min_ : value > max_ ? max_ : value;
    if (value == position_) return;
    position_ = value;
    if (OnChange) OnChange();
  }
  bool Enabled = true;
  std::function<void()> OnChange;

 private:
  int min_, max_, position_;
};

class TForm2 : public TComponent {
 public:
  // Messages (the probes' and the polar day and night ones) go to
  // `messages`; the sunrise and sunset are those of `clock`'s date.
  TForm2(TComponent* owner, MessageSink messages, const LocalClock& clock = SystemClock());

  // Creation: both probes, the city list's selection, the settings load
  // (which writes the defaults on the first run) and ShowSettings.
  // ERegistryError from the load propagates.
  void FormCreate();

  // Sets every control from the working copy; a control whose state
  // changes runs its handler.
  void ShowSettings();
  // Sunrise and sunset of the place into LabelSunrise and LabelSunset,
  // with the daylight-saving hour when it is ticked.
  void ShowSunTimes(float latitude, float longitude, int ofUTC);

  // --- owned components and dialog-only values ----------------------------
  TSetReg SetReg1{this};
  SettingsRecord Settings;  // the working copy, named after the stored values
  TModeTable ModeTable = BuildModeTable();
  bool GammaAvailable = false;
  ModeButtons Buttons;  // enabled state of the size and depth buttons
  float SunriseHours = 0, SunsetHours = 0;  // last shown
  // The colour the colour dialog opens on: the last one chosen in it.
  COLORREF ColorDialog1Color = 0;

  // --- controls, page "Settings" (captions in Form2Text.h) ------------------
  TCheckBoxState CheckBox1PlaySound{false};
  TCheckBoxState CheckBox2ShowFPS{false};
  TRadioGroupState RadioGroup1{2, 0};  // terminate on keys and mouse, on Esc only
  TRadioGroupState SpeedGroup{3, 1};   // slow, normal, fast
  TRangeState RxSpinEdit1{0, 5, 4};    // number of birds
  TCheckBoxState CheckBox1{true};      // show birds
  TCheckBoxState CheckBox2{true};      // show butterflies

  // --- page "Display" ------------------------------------------------------
  // The four sizes, then the desktop's own mode (kDesktopButton).
  TRadioGroupState RadioGroup3{5, -1};
  TRadioGroupState DepthGroup{3, -1};  // 16, 24, 32 bits
  TRangeState TrackBar1{0, 256, 256};
  // Without gamma support the track bar's two labels and the note are drawn
  // in the inactive-caption colour.
  bool GammaLabelsInactive = false;

  // --- page "Time of Day" --------------------------------------------------
  TRadioGroupState TimeOfDayGroup{3, 1};  // off, demo cycle, real time
  const CityTable& Cities() const { return cities_; }
  int ComboBox1ItemIndex = 0;  // -1: the user typed text that selects no item
  TCheckBoxState CheckBox4{false};  // daylight-saving time
  std::string LabelSunrise, LabelSunset;
  TCheckBoxState CheckBox3{true};  // show the simulated time in demo mode
  TCheckBoxState CheckBox5{true};  // show the sunrise/sunset line

  // --- page "Clock" --------------------------------------------------------
  TCheckBoxState CheckBox3Showclock{true};
  // The position and radius labels with their edits, the colour panel and
  // its button.
  bool ClockControlsEnabled = true;
  // The panel's colour; nothing while it shows the menu colour.
  std::optional<COLORREF> PanelColor = 0x808080;
  std::string Edit1X, EditY, Edit3R;

  // --- user actions the view forwards ---------------------------------------
  // A mouse button released over size button 0..3 or "Use desktop
  // settings" (kDesktopButton), after its selection.
  void ModeButtonMouseUp(int button);
  // The user picked item `index` of the city list, or typed text that
  // selects none (-1).
  void ComboBox1Change(int index);
  // A character typed into one of the clock edits: anything but 0 to 9
  // (Backspace included) is discarded by setting it to 0.
  static void Edit1XKeyPress(char& key);
  // The focus left an edit: the clock limits, the result shown in it.
  void Edit1XExit();
  void EditYExit();
  void Edit3RExit();
  // The colour panel or "Set color": opens the colour dialog through
  // ExecuteColorDialog.
  void Button1Click();
  void Label3Click();  // web link
  void Label5Click();  // e-mail link
  void Button1DefaultClick();
  // Stores the working copy and closes; when it cannot be stored the
  // message says so and the dialog stays open. ERegistryError propagates.
  void Button1OKClick();
  void Button1CancelClick() { Close(); }
  // Closes without storing anything (also the window's close box).
  void Close();
  [[nodiscard]] bool Closed() const { return closed_; }

  // --- what the view supplies ----------------------------------------------
  // Runs the colour dialog opened on `color`; true with the chosen colour
  // in `color` when the user confirmed it.
  std::function<bool(COLORREF& color)> ExecuteColorDialog;
  // Opens a web address or "mailto:" address with the desktop's opener.
  std::function<void(const std::string& url)> OpenUrl;
  std::string WebAddress;
  static constexpr const char* kMailAddress = "mailto:?subject=Sandloop";
  std::function<void()> OnClose;
  MessageSink Messages;

 private:
  void SelectSize(int size_index);
  void SelectDesktop();
  void ClockSwitch();
  void CityChange();
  void DaylightSavingChange();
  void TakeSelectedPlace();
  void LimitClockX();
  void LimitClockY();
  float SunTime(bool sunrise, float latitude, float longitude, int ofUTC);

  const LocalClock& clock_;
  CityTable cities_;
  bool closed_ = false;
};

// Index of the depth button nearest to `bits` (16, 24, 32; a tie goes to
// the deeper one).
int NearestDepthIndex(int bits);

// The number at the start of `text` (optional sign, then digits), 0 when
// there is none; held within the int range.
int LeadingInt(const std::string& text);

// Run mode's hidden dialog: made after the scene form, its messages going
// to the run's log. Returns it created.
std::unique_ptr<TForm2> CreateHiddenForm2(TDDErrorLog& log, const LocalClock& clock = SystemClock());

}  // namespace sandloop
