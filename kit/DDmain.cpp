#include "kit/DDmain.h"

#include <algorithm>
#include <cstdio>

#include "kit/FontGlyphs.h"
#include "kit/ddraw/gdi.h"
#include "kit/ddraw/platform.h"

namespace sandloop {

namespace {

// Frame-rate sampling and monitor enumeration are shared by every device of
// the process. The counters are atomics so that two threads can never tear
// them, but a meaningful figure needs one device drawing on one thread.
std::atomic<std::int32_t> g_frame_counter{0};
std::atomic<std::uint32_t> g_latest_sample{0};
std::atomic<std::uint32_t> g_previous_sample{0};
std::atomic<std::int32_t> g_frame_rate{0};
std::atomic<std::int32_t> g_enum_callbacks{0};
std::atomic<const GUID*> g_saved_device{nullptr};

struct EnumContext {
  std::int32_t value = 1;
  std::int32_t result = 0;
};

int EnumerateCallback(GUID* guid, const char*, const char*, void*, void*) {
  // The primary display driver comes first, then each monitor: the third
  // call is the second monitor.
  if (g_enum_callbacks.fetch_add(1) + 1 == 3) g_saved_device.store(guid);
  return 1;
}

}  // namespace

TDDmain::TDDmain(TComponent* owner) : TComponent(owner) {}

TDDmain::~TDDmain() = default;

void TDDmain::SetEnabled(bool value) {
  if (value == FEnabled) return;
  if (value) {
    FEnabled = true;
    OpenDirectDraw();
  } else {
    FEnabled = false;
    CloseDirectDraw();
  }
}

void TDDmain::ReportError(const std::string& message, bool close) {
  SetErrorResult(message);
  if (close) CloseDirectDraw();
  if (OnError) OnError(this);
}

void TDDmain::OpenDirectDraw() {
  const GUID* device = nullptr;
  if (FDualMonitor) {
    if (GetSystemMetrics(SM_CMONITORS) < 2) {
      ReportError("This program work only in dual monitor system!", false);
      return;
    }
    g_enum_callbacks.store(0);
    g_saved_device.store(nullptr);
    if (EnumerateScreens() == E_FAIL) ReportError("ERROR EnumerateScreens", false);
    device = g_saved_device.load();
    FLastResult = DirectDrawCreate(device, &FpDD, nullptr);
    if (FAILED(FLastResult)) {
      ReportError("Error DirectDrawCreate on secondary monitor", true);
      return;
    }
  } else {
    // A further monitor is opened by its identifier, as the enumeration
    // names it.
    GUID monitor{};
    monitor.Data1 = static_cast<std::uint32_t>(FMonitor);
    monitor.Data2 = 0x5D1;
    FLastResult = DirectDrawCreate(FMonitor > 0 ? &monitor : nullptr, &FpDD, nullptr);
    if (FAILED(FLastResult)) {
      ReportError("Error DirectDrawCreate", true);
      return;
    }
  }

  if (!(FDefineFormHandle && FDDForm != nullptr)) FDDForm = dynamic_cast<TWindowOwner*>(Owner());
  const HWND window = FDDForm != nullptr ? FDDForm->Handle() : 0;

  FLastResult = FpDD->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
  if (FAILED(FLastResult)) {
    ReportError("Error SetCooperativeLevel", true);
    return;
  }
  FLastResult = FpDD->SetDisplayMode(static_cast<DWORD>(FWidth), static_cast<DWORD>(FHeight),
                                     static_cast<DWORD>(FColorDepth));
  if (FAILED(FLastResult)) {
    ReportError("Error SetDisplayMode", true);
    return;
  }

  DDSURFACEDESC desc{};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  desc.dwBackBufferCount = 1;
  FLastResult = FpDD->CreateSurface(&desc, &FpDDSPrimary, nullptr);
  if (FAILED(FLastResult)) {
    ReportError("Error CreatePrimarySurface", true);
    return;
  }

  DDSCAPS caps;
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  FLastResult = FpDDSPrimary->GetAttachedSurface(&caps, &FpDDSBack);
  if (FAILED(FLastResult)) ReportError("Error CreateBackSurface", true);
}

void TDDmain::CloseDirectDraw() {
  if (FpDDSBack != nullptr) {
    FpDDSBack->Release();
    FpDDSBack = nullptr;
  }
  if (FpDDSPrimary != nullptr) {
    FpDDSPrimary->Release();
    FpDDSPrimary = nullptr;
  }
  if (FpDD != nullptr) {
    FpDD->Release();
    FpDD = nullptr;
  }
}

HRESULT TDDmain::EnumerateScreens() {
  EnumContext context;
  HRESULT result = DirectDrawEnumerateExA(EnumerateCallback, &context, DDENUM_ATTACHEDSECONDARYDEVICES);
  if (SUCCEEDED(result) && context.result < 0) result = context.result;
  return result;
}

void TDDmain::FlipSurfaces() {
  if (FpDDSPrimary == nullptr || FpDDSBack == nullptr) return;
  if (FShowFPS) FuncShowFPS();
  {
    // Drawn under the lock rather than from copies, so that a frame makes
    // no allocation; the timer thread waits at most for three short lines.
    std::lock_guard<std::mutex> g(FTestLock);
    if (ShowTestString()) FuncShowTST(FTestString, TextScaled(20), TextScaled(20));
    if (ShowTestString2()) FuncShowTST(FTestString2, TextScaled(20), TextScaled(40));
    if (ShowTestString3()) FuncShowTST(FTestString3, TextScaled(20), TextScaled(60));
  }
  if (FChangedCount >= 0) FpDDSPrimary->SetChangedRects(FChangedRects, FChangedCount);
  FChangedRects = nullptr;
  FChangedCount = -1;
  for (;;) {
    const HRESULT hr = FpDDSPrimary->Flip(nullptr, 0);
    if (hr == DD_OK) return;
    if (hr == DDERR_SURFACELOST) {
      ReportError("FpDDSPrimary->DDERR_SURFACELOST", false);
      if (FpDDSPrimary != nullptr) FpDDSPrimary->Restore();
      return;
    }
    if (hr != DDERR_WASSTILLDRAWING) return;
  }
}

// Places and sizes of the overlay, given for 16-pixel text, grow with it.
int TDDmain::TextScaled(int v) const { return v * FTextPixels / kFontPixels; }

// How far right a line of text drawn from x reaches: past its last inked
// pixel and its last advance.
int TDDmain::LineEnd(int x, const std::string& text) const {
  FontGlyphs& font = FontGlyphs::Instance(FTextPixels);
  int pen = x, reach = x;
  for (unsigned char c : text) {
    const Glyph* g = font.Get(c);
    if (g == nullptr) break;  // the text is drawn no further either
    reach = std::max({reach, pen + g->left + g->width, pen + g->advance});
    pen += g->advance;
  }
  return reach;
}

int TDDmain::OverlayBands(RECT* out) const {
  // A line of text at (x, y) stays within these rows (the glyphs with
  // their ascent and descent), and within the columns it reaches.
  const auto band = [this](int y, const std::string& text) {
    return RECT{0, y - TextScaled(4), std::min(FWidth, LineEnd(TextScaled(20), text) + TextScaled(2)), y + TextScaled(24)};
  };
  int n = 0;
  if (FShowFPS) {
    // The frame-rate line at its longest, in the widest of the characters
    // its number may have.
    FontGlyphs& font = FontGlyphs::Instance(FTextPixels);
    char widest = '0';
    int advance = -1;
    for (char c : std::string("-0123456789")) {
      const Glyph* g = font.Get(static_cast<unsigned char>(c));
      if (g != nullptr && g->left + std::max(g->width, g->advance) > advance) {
        advance = g->left + std::max(g->width, g->advance);
        widest = c;
      }
    }
    out[n++] = band(FHeight - TextScaled(30), "Frame rate: " + std::string(11, widest) + " FPS");
  }
  if (ShowTestString()) out[n++] = band(TextScaled(20), TestString());
  if (ShowTestString2()) out[n++] = band(TextScaled(40), TestString2());
  if (ShowTestString3()) out[n++] = band(TextScaled(60), TestString3());
  return n;
}

void TDDmain::SetChangedRects(const RECT* rects, int count) {
  FChangedRects = rects;
  FChangedCount = count;
}

void TDDmain::DrawOverlay(const std::string& text, int x, int y) {
  HDC dc = nullptr;
  if (FpDDSBack == nullptr || FAILED(FpDDSBack->GetDC(&dc))) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, 0xFFFFFF);
  ::SetTextPixels(dc, FTextPixels);
  TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
  FpDDSBack->ReleaseDC(dc);
}

void TDDmain::FuncShowTST(const std::string& text, int x, int y) { DrawOverlay(text, x, y); }

void TDDmain::FuncShowFPS() {
  if (FpDDSBack == nullptr) return;
  if (g_frame_counter.fetch_add(1, std::memory_order_relaxed) + 1 >= 10) {
    g_previous_sample.store(g_latest_sample.load(std::memory_order_relaxed), std::memory_order_relaxed);
    g_latest_sample.store(timeGetTime(), std::memory_order_relaxed);
    const std::uint32_t elapsed =
        g_latest_sample.load(std::memory_order_relaxed) - g_previous_sample.load(std::memory_order_relaxed);
    // Ten frames within one millisecond would divide by zero; the figure is
    // then left as it was.
    if (elapsed > 0) g_frame_rate.store(static_cast<std::int32_t>(10.0 / (elapsed * 0.001)), std::memory_order_relaxed);
    g_frame_counter.store(0, std::memory_order_relaxed);
  }
  char line[64];
  std::snprintf(line, sizeof line, "Frame rate: %d FPS", g_frame_rate.load(std::memory_order_relaxed));
  DrawOverlay(line, TextScaled(20), FHeight - TextScaled(30));
}

void TDDmain::ClearBackSurface() {
  if (FpDDSBack == nullptr) return;
  DDBLTFX fx{};
  fx.dwSize = sizeof(fx);
  fx.dwFillColor = 0;
  FpDDSBack->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void TDDmain::ClearAllSurface() {
  if (FpDDSPrimary == nullptr || FpDDSBack == nullptr) return;
  DDBLTFX fx{};
  fx.dwSize = sizeof(fx);
  FpDDSPrimary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  FpDDSBack->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void TDDmain::SetErrorResult(const std::string& text) {
  std::lock_guard<std::mutex> g(FTestLock);
  FErrorResult = text;
}

std::string TDDmain::GetErrorResult() const {
  std::lock_guard<std::mutex> g(FTestLock);
  return FErrorResult;
}

void TDDmain::SetShowTestString(bool value) { FShowTestString.store(value, std::memory_order_relaxed); }
void TDDmain::SetShowTestString2(bool value) { FShowTestString2.store(value, std::memory_order_relaxed); }
void TDDmain::SetShowTestString3(bool value) { FShowTestString3.store(value, std::memory_order_relaxed); }

void TDDmain::SetTestLine(std::string& field, const std::string& value) {
  std::lock_guard<std::mutex> g(FTestLock);
  if (field != value) field = value;
}

void TDDmain::SetTestString(const std::string& value) { SetTestLine(FTestString, value); }
void TDDmain::SetTestString2(const std::string& value) { SetTestLine(FTestString2, value); }
void TDDmain::SetTestString3(const std::string& value) { SetTestLine(FTestString3, value); }

std::string TDDmain::TestString() const {
  std::lock_guard<std::mutex> g(FTestLock);
  return FTestString;
}
std::string TDDmain::TestString2() const {
  std::lock_guard<std::mutex> g(FTestLock);
  return FTestString2;
}
std::string TDDmain::TestString3() const {
  std::lock_guard<std::mutex> g(FTestLock);
  return FTestString3;
}

int TDDmain::CurrentFrameRate() { return g_frame_rate.load(std::memory_order_relaxed); }
const GUID* TDDmain::SavedDevice() { return g_saved_device.load(); }

}  // namespace sandloop
