#include "settings/Settings.h"

#include "kit/ddraw/backend.h"
#include "kit/ddraw/platform.h"

namespace sandloop {

namespace {

constexpr SettingDefault Fixed(double v) { return {DefaultSource::Fixed, v}; }
constexpr SettingDefault Desktop(DefaultSource s) { return {s, 0}; }

constexpr SettingSpec Bool(const char* name, bool SettingsRecord::*m, bool first, bool def) {
  return {name, SettingKind::Bool, m, nullptr, nullptr, nullptr, Fixed(first), Fixed(def)};
}
constexpr SettingSpec Int(const char* name, int SettingsRecord::*m, SettingDefault first,
                          SettingDefault def) {
  return {name, SettingKind::Int, nullptr, m, nullptr, nullptr, first, def};
}
constexpr SettingSpec Float(const char* name, float SettingsRecord::*m, float first, float def) {
  return {name, SettingKind::Float, nullptr, nullptr, m, nullptr, Fixed(first), Fixed(def)};
}
constexpr SettingSpec Color(const char* name, COLORREF SettingsRecord::*m, COLORREF first,
                            COLORREF def) {
  return {name, SettingKind::Color, nullptr, nullptr, nullptr, m, Fixed(first), Fixed(def)};
}

constexpr DefaultSource kW = DefaultSource::DesktopWidth;
constexpr DefaultSource kH = DefaultSource::DesktopHeight;
constexpr DefaultSource kBits = DefaultSource::DesktopBits;
constexpr DefaultSource kClockX = DefaultSource::DesktopWidthMinus90;

}  // namespace

// Rows 22 to 25 under "Default Setting" take entry 0's place and
// ShowRisSet true, the same as the first run: the button shows entry 0 in
// the dialog, and the scene works from RegLat, RegLng and RegOfUTC, so both
// then agree on the place.
const std::array<SettingSpec, kSettingCount> SettingsTable = {{
    Bool("flag_clock", &SettingsRecord::flag_clock, true, true),
    Bool("flag_PlaySound", &SettingsRecord::flag_PlaySound, true, true),
    Bool("flag_fps", &SettingsRecord::flag_fps, false, false),
    Bool("TermMouse", &SettingsRecord::TermMouse, true, true),
    Int("Gamma", &SettingsRecord::Gamma, Fixed(256), Fixed(256)),
    Bool("flag_defres", &SettingsRecord::flag_defres, true, true),
    Int("ResHor", &SettingsRecord::ResHor, Desktop(kW), Desktop(kW)),
    Int("ResVert", &SettingsRecord::ResVert, Desktop(kH), Desktop(kH)),
    Int("ColorDepth", &SettingsRecord::ColorDepth, Desktop(kBits), Desktop(kBits)),
    Int("clockX", &SettingsRecord::clockX, Desktop(kClockX), Desktop(kClockX)),
    Int("clockY", &SettingsRecord::clockY, Fixed(90), Fixed(90)),
    Int("clockRad", &SettingsRecord::clockRad, Fixed(70), Fixed(70)),
    Color("ColorClock", &SettingsRecord::ColorClock, kStoredFirstRunColor, kSceneFirstRunColor),
    Int("SetSpeed", &SettingsRecord::SetSpeed, Fixed(1), Fixed(1)),
    Int("NumEagles", &SettingsRecord::NumEagles, Fixed(4), Fixed(4)),
    Bool("FlagShowEagles", &SettingsRecord::FlagShowEagles, true, true),
    Bool("FlagShowButterfly", &SettingsRecord::FlagShowButterfly, true, true),
    Bool("FlagDaytime", &SettingsRecord::FlagDaytime, false, false),
    Bool("FlagDemoDaytime", &SettingsRecord::FlagDemoDaytime, true, true),
    Bool("FlagShowSimulateTime", &SettingsRecord::FlagShowSimulateTime, true, true),
    Bool("FlagDaylightSavingTime", &SettingsRecord::FlagDaylightSavingTime, false, false),
    Float("RegLat", &SettingsRecord::RegLat, kFirstPlaceLat, kFirstPlaceLat),
    Float("RegLng", &SettingsRecord::RegLng, kFirstPlaceLng, kFirstPlaceLng),
    Int("RegOfUTC", &SettingsRecord::RegOfUTC, Fixed(kFirstPlaceUtc), Fixed(kFirstPlaceUtc)),
    Bool("ShowRisSet", &SettingsRecord::ShowRisSet, true, true),
    Int("IndexCity", &SettingsRecord::IndexCity, Fixed(0), Fixed(0)),
}};

namespace {

constexpr std::size_t kRowColorDepth = 8;
constexpr std::size_t kRowIndexCity = 25;

// Sets one field to a default, the desktop's mode taken from `desktop`.
void ApplyDefault(SettingsRecord& s, const SettingSpec& spec, const SettingDefault& d,
                  const SettingsRecord& desktop) {
  double v = d.value;
  switch (d.source) {
    case DefaultSource::Fixed: break;
    case DefaultSource::DesktopWidth: v = desktop.ResHor; break;
    case DefaultSource::DesktopHeight: v = desktop.ResVert; break;
    case DefaultSource::DesktopBits: v = desktop.ColorDepth; break;
    case DefaultSource::DesktopWidthMinus90: v = desktop.ResHor - 90; break;
  }
  switch (spec.kind) {
    case SettingKind::Bool: s.*spec.as_bool = v != 0; break;
    case SettingKind::Int: s.*spec.as_int = static_cast<int>(v); break;
    case SettingKind::Float: s.*spec.as_float = static_cast<float>(v); break;
    case SettingKind::Color: s.*spec.as_color = static_cast<COLORREF>(v); break;
  }
}

bool ReadSetting(TSetReg& store, const SettingSpec& spec, SettingsRecord& s) {
  switch (spec.kind) {
    case SettingKind::Bool: return store.Read(spec.name, s.*spec.as_bool);
    case SettingKind::Int: return store.Read(spec.name, s.*spec.as_int);
    case SettingKind::Float: return store.Read(spec.name, s.*spec.as_float);
    case SettingKind::Color: {
      int v = static_cast<int>(s.*spec.as_color);
      bool opened = store.Read(spec.name, v);
      s.*spec.as_color = static_cast<COLORREF>(v);
      return opened;
    }
  }
  return false;
}

// Lists the display's modes and tells whether any has exactly 32 bits.
HRESULT Note32BitMode(DDSURFACEDESC* desc, void* context) {
  if (desc->ddpfPixelFormat.dwRGBBitCount == 32) *static_cast<bool*>(context) = true;
  return DDENUMRET_OK;
}

bool Find32BitMode(HWND owner) {
  bool found = false;
  IDirectDraw* dd = nullptr;
  if (FAILED(DirectDrawCreate(nullptr, &dd, nullptr)) || !dd) {
    MessageBoxA(owner, "DirectDraw Init FAILED", "Screen saver", MB_OK);
    return false;
  }
  dd->EnumDisplayModes(0, nullptr, &found, Note32BitMode);
  dd->Release();
  return found;
}

enum class Party { Scene, Dialog };

// The values as a first run stores them, for the values of a damaged file
// that could not be salvaged.
std::vector<std::pair<std::string, RegValue>> StoredFirstRunValues() {
  const SettingsRecord s = FirstRunSettings();
  std::vector<std::pair<std::string, RegValue>> values;
  for (const SettingSpec& spec : SettingsTable) {
    RegValue v;
    switch (spec.kind) {
      case SettingKind::Bool: v = RegValue::Dword(s.*spec.as_bool ? 1 : 0); break;
      case SettingKind::Int: v = RegValue::Dword(static_cast<std::uint32_t>(s.*spec.as_int)); break;
      case SettingKind::Float: v = FloatRegValue(s.*spec.as_float); break;
      case SettingKind::Color: v = RegValue::Dword(kStoredFirstRunColor); break;
    }
    values.emplace_back(spec.name, std::move(v));
  }
  return values;
}

// The common load. Returns true on the first run.
bool LoadSettings(TSetReg& store, SettingsRecord& s, Party party, HWND owner, bool* found_32bit) {
  // Start from the defaults so that a key that vanishes half-way through
  // (moved aside by another process) leaves sane values behind.
  s = FirstRunSettings();
  // One reading of the file for all the values; values that a damaged
  // file lost come back as their first-run values.
  store.SetSalvageDefaults(StoredFirstRunValues());
  TSetRegLoad load(store);
  if (!ReadSetting(store, SettingsTable[0], s)) {
    // First run.
    s.ColorClock = party == Party::Scene ? kSceneFirstRunColor : kDialogFirstRunColor;
    s.IndexCity = 0;
    WriteAllSettings(store, s, kStoredFirstRunColor, s.IndexCity);
    return true;
  }
  for (std::size_t i = 1; i < SettingsTable.size(); ++i) {
    if (i == kRowIndexCity && party == Party::Scene) continue;  // the scene never reads it
    ReadSetting(store, SettingsTable[i], s);
    if (i == kRowColorDepth && s.flag_defres) {
      ReadDesktopMode(s);
      if (party == Party::Scene && s.ColorDepth < 32) {
        if (Find32BitMode(owner)) {
          s.ColorDepth = 32;
          if (found_32bit) *found_32bit = true;
        }
      }
    }
  }
  return false;
}

}  // namespace

void ReadDesktopMode(SettingsRecord& s) {
  display::DisplayMode mode{800, 600, 32};
  // The monitor's mode, also when this run draws into a host's window or a
  // window of its own: what is read here may be stored for full-screen runs.
  if (display::Backend* backend = display::CurrentBackend()) mode = backend->MonitorMode();
  s.ResHor = mode.width;
  s.ResVert = mode.height;
  s.ColorDepth = mode.bpp;
}

SettingsRecord FirstRunSettings() {
  SettingsRecord desktop;
  ReadDesktopMode(desktop);
  SettingsRecord s;
  for (const SettingSpec& spec : SettingsTable) ApplyDefault(s, spec, spec.first_run, desktop);
  s.ColorClock = kSceneFirstRunColor;
  return s;
}

void ApplyDefaultSetting(SettingsRecord& s) {
  SettingsRecord desktop;
  ReadDesktopMode(desktop);
  for (const SettingSpec& spec : SettingsTable) ApplyDefault(s, spec, spec.default_setting, desktop);
}

bool WriteAllSettings(TSetReg& store, const SettingsRecord& s, COLORREF color, int index_city) {
  auto write_all = [&] {
    for (const SettingSpec& spec : SettingsTable) {
      switch (spec.kind) {
        case SettingKind::Bool: store.Write(spec.name, s.*spec.as_bool); break;
        case SettingKind::Float: store.Write(spec.name, s.*spec.as_float); break;
        case SettingKind::Color: store.Write(spec.name, static_cast<int>(color)); break;
        case SettingKind::Int:
          store.Write(spec.name,
                      spec.as_int == &SettingsRecord::IndexCity ? index_city : s.*spec.as_int);
          break;
      }
    }
  };
  if (store.Updating()) {  // part of the caller's update
    write_all();
    return true;
  }
  // One update: the 26 values reach the file together or not at all, so a
  // run that dies half-way never leaves a key with some values missing.
  TSetRegUpdate update(store);
  write_all();
  return update.Commit();
}

SceneLoadResult SceneLoadSettings(TSetReg& store, SettingsRecord& s, HWND owner) {
  SceneLoadResult result;
  result.first_run = LoadSettings(store, s, Party::Scene, owner, &result.found_32bit);
  return result;
}

bool DialogLoadSettings(TSetReg& store, SettingsRecord& s) {
  return LoadSettings(store, s, Party::Dialog, 0, nullptr);
}

bool DialogSaveSettings(TSetReg& store, const SettingsRecord& s) {
  return WriteAllSettings(store, s, s.ColorClock, s.IndexCity);
}

}  // namespace sandloop
