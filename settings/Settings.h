#pragma once
// The saver's 26 persistent settings: the record that the scene and the
// dialog each keep (fields named after the stored values), the one table of
// their names, kinds and defaults, and the procedures that load and store
// them through TSetReg.
#include <array>
#include <cstdint>

#include "kit/ddraw/ddraw.h"
#include "settings/SetReg.h"

namespace sandloop {

// The key the settings live in: SOFTWARE\<company>\<product>.
constexpr char kCompanyName[] = "Morvant";
constexpr char kProductName[] = "Sandloop";

// Gives a store the product's company and product names.
inline void ConfigureSettingsStore(TSetReg& store) {
  store.SetCompanyName(kCompanyName);
  store.SetProductName(kProductName);
}

struct SettingsRecord {
  bool flag_clock = true;
  bool flag_PlaySound = true;
  bool flag_fps = false;
  bool TermMouse = true;
  int Gamma = 256;
  bool flag_defres = true;
  int ResHor = 800;
  int ResVert = 600;
  int ColorDepth = 32;
  int clockX = 800 - 90;
  int clockY = 90;
  int clockRad = 70;
  COLORREF ColorClock = 0xC59F5A;
  int SetSpeed = 1;
  int NumEagles = 4;
  bool FlagShowEagles = true;
  bool FlagShowButterfly = true;
  bool FlagDaytime = false;
  bool FlagDemoDaytime = true;
  bool FlagShowSimulateTime = true;
  bool FlagDaylightSavingTime = false;
  float RegLat = 50.783333f;
  float RegLng = 6.1f;
  int RegOfUTC = 1;
  bool ShowRisSet = true;
  int IndexCity = 0;

  bool operator==(const SettingsRecord&) const = default;
};

// Storage kinds: bools and ints are REG_DWORD numbers, floats 8-byte
// doubles. The clock colour is stored as an int.
enum class SettingKind { Bool, Int, Float, Color };

// Where a default comes from: a fixed number or the desktop's mode.
enum class DefaultSource { Fixed, DesktopWidth, DesktopHeight, DesktopBits, DesktopWidthMinus90 };

struct SettingDefault {
  DefaultSource source = DefaultSource::Fixed;
  double value = 0;  // Fixed only
};

struct SettingSpec {
  const char* name;
  SettingKind kind;
  // Exactly one of these points at the record's field.
  bool SettingsRecord::*as_bool;
  int SettingsRecord::*as_int;
  float SettingsRecord::*as_float;
  COLORREF SettingsRecord::*as_color;
  SettingDefault first_run;        // the value stored at the first run
  SettingDefault default_setting;  // the value the "Default Setting" button sets
};

constexpr int kSettingCount = 26;
// The 26 settings in storage order: every load and every save goes through
// them in this order.
extern const std::array<SettingSpec, kSettingCount> SettingsTable;

// Colours kept in memory at the first run (the stored colour is white).
constexpr COLORREF kSceneFirstRunColor = 0xC59F5A;
constexpr COLORREF kDialogFirstRunColor = 0x059F5A;
constexpr COLORREF kStoredFirstRunColor = 0xFFFFFF;
// The place of city-table entry 0 ("AACHEN GE").
constexpr float kFirstPlaceLat = 50.783333f;
constexpr float kFirstPlaceLng = 6.1f;
constexpr int kFirstPlaceUtc = 1;

// The desktop's mode into ResHor, ResVert and ColorDepth, from the display
// back end in use (800 x 600 x 32 when there is none): the monitor's own
// mode, even while the run draws into a host's window or a window of its own.
void ReadDesktopMode(SettingsRecord& s);

// Every field set to the first-run column (desktop mode, clock at
// ResHor - 90, 90; the colour kept in memory is the scene's 0xC59F5A).
SettingsRecord FirstRunSettings();

// Writes the 26 values of `s` in storage order as one update. The colour is
// written as `color`, `IndexCity` as `index_city`. False when the key could
// not be created.
bool WriteAllSettings(TSetReg& store, const SettingsRecord& s, COLORREF color, int index_city);

struct SceneLoadResult {
  bool first_run = false;    // the key was missing: defaults were written
  bool found_32bit = false;  // the search for a 32-bit mode found one
};

// The scene's load at start. Fills `s` from the store; with flag_defres the
// mode is the desktop's, and a desktop below 32 bits is raised to 32 when
// the display lists any 32-bit mode. When DirectDraw cannot be created for
// that search, "DirectDraw Init FAILED" is shown in a message box owned by
// `owner` with the caption "Screen saver", and the depth stays the
// desktop's. On the first run every value is written, the colour as white
// while 0xC59F5A is kept. Raises ERegistryError for a missing or mistyped
// value in an existing key.
SceneLoadResult SceneLoadSettings(TSetReg& store, SettingsRecord& s, HWND owner);

// The dialog's load: as the scene's, without the 32-bit search, with
// IndexCity read last, and 0x059F5A kept as the first run's colour.
// Returns true on the first run.
bool DialogLoadSettings(TSetReg& store, SettingsRecord& s);

// "OK": writes the working copy, its colour included. False when the key
// could not be created.
bool DialogSaveSettings(TSetReg& store, const SettingsRecord& s);

// "Default Setting": resets the working copy (nothing is stored). Besides
// the listed values, the place (RegLat, RegLng, RegOfUTC) becomes that of
// entry 0 and ShowRisSet true, so that the place the scene uses is the one
// the dialog shows.
void ApplyDefaultSetting(SettingsRecord& s);

}  // namespace sandloop
