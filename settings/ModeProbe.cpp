#include "settings/ModeProbe.h"

#include <cstring>


namespace sandloop {

namespace {

IDirectDraw* CreateDirectDraw(const MessageSink& report) {
  IDirectDraw* dd = nullptr;
  if (FAILED(DirectDrawCreate(nullptr, &dd, nullptr)) || !dd) {
    if (report) report("DirectDraw Init FAILED", "Screen saver");
    return nullptr;
  }
  return dd;
}

HRESULT MarkListedMode(DDSURFACEDESC* desc, void* context) {
  auto& table = *static_cast<TModeTable*>(context);
  for (ModeEntry& e : table) {
    if (static_cast<DWORD>(e.width) == desc->dwWidth && static_cast<DWORD>(e.height) == desc->dwHeight &&
        static_cast<DWORD>(e.bits) == desc->ddpfPixelFormat.dwRGBBitCount) {
      e.available = true;
      break;
    }
  }
  return DDENUMRET_OK;
}

}  // namespace

TModeTable BuildModeTable() {
  TModeTable table{};
  for (std::size_t s = 0; s < kModeSizes.size(); ++s)
    for (std::size_t d = 0; d < kModeDepths.size(); ++d)
      table[s * 3 + d] = {kModeSizes[s].width, kModeSizes[s].height, kModeDepths[d], false};
  return table;
}

bool ProbeDisplayModes(TModeTable& ModeTable, HWND owner) {
  return ProbeDisplayModes(ModeTable, MessageBoxSink(owner));
}

bool ProbeDisplayModes(TModeTable& ModeTable, const MessageSink& report) {
  ModeTable = BuildModeTable();
  IDirectDraw* dd = CreateDirectDraw(report);
  if (!dd) return false;
  dd->EnumDisplayModes(0, nullptr, &ModeTable, MarkListedMode);
  dd->Release();
  return true;
}

bool ProbeGammaSupport(bool& GammaAvailable, HWND owner) {
  return ProbeGammaSupport(GammaAvailable, MessageBoxSink(owner));
}

bool ProbeGammaSupport(bool& GammaAvailable, const MessageSink& report) {
  GammaAvailable = false;
  IDirectDraw* dd = CreateDirectDraw(report);
  if (!dd) return false;
  DDCAPS caps;
  std::memset(&caps, 0, sizeof caps);
  caps.dwSize = sizeof caps;  // 380
  if (SUCCEEDED(dd->GetCaps(&caps, nullptr))) GammaAvailable = (caps.dwCaps2 & DDCAPS2_PRIMARYGAMMA) != 0;
  dd->Release();
  return true;
}

bool ModeAvailable(const TModeTable& ModeTable, int width, int height, int bits) {
  for (const ModeEntry& e : ModeTable)
    if (e.width == width && e.height == height && e.bits == bits) return e.available;
  return false;
}

int SizeIndexForWidth(int width) {
  for (std::size_t i = 0; i < kModeSizes.size(); ++i)
    if (kModeSizes[i].width == width) return static_cast<int>(i);
  return -1;
}

void UpdateModeButtons(const TModeTable& ModeTable, ModeButtons& buttons) {
  for (std::size_t i = 0; i < kModeSizes.size(); ++i)
    if (!ModeAvailable(ModeTable, kModeSizes[i].width, kModeSizes[i].height, 16))
      buttons.size_enabled[i] = false;
  for (std::size_t d = 0; d < kModeDepths.size(); ++d)
    buttons.depth_enabled[d] = ModeAvailable(ModeTable, 800, 600, kModeDepths[d]);
}

void SelectSizeButton(SettingsRecord& s, int size_index, const TModeTable& ModeTable,
                      ModeButtons& buttons) {
  if (size_index < 0 || size_index >= static_cast<int>(kModeSizes.size())) return;
  s.ResHor = kModeSizes[static_cast<std::size_t>(size_index)].width;
  s.ResVert = kModeSizes[static_cast<std::size_t>(size_index)].height;
  s.flag_defres = false;
  UpdateModeButtons(ModeTable, buttons);
}

void SelectDesktopButton(SettingsRecord& s, ModeButtons& buttons) {
  ReadDesktopMode(s);
  s.flag_defres = true;
  buttons.depth_enabled = {false, false, false};
}

void SelectDepthButton(SettingsRecord& s, int depth_index) {
  if (depth_index < 0 || depth_index >= static_cast<int>(kModeDepths.size())) return;
  s.ColorDepth = kModeDepths[static_cast<std::size_t>(depth_index)];
}

bool ModeButtonMouseUp(SettingsRecord& s, const ModeButtons& buttons, int button) {
  if (button < 0 || button > kDesktopButton) return false;
  if (button < kDesktopButton && !buttons.size_enabled[static_cast<std::size_t>(button)]) return false;
  s.clockRad = 70;
  s.clockX = s.ResHor - s.clockRad - 20;
  s.clockY = s.clockRad + 20;
  return true;
}

}  // namespace sandloop
