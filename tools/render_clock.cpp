// Renders the analog clock on a headless 1024x768 page and writes it as a
// PNG: radius 140 and 70, in the scene's default clock colour and in white,
// over a dark and a light background, at a fixed time.
//
//   render_clock [out.png] [hh:mm:ss]     (default out/review/clock.png 10:08:30)
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "kit/DDmain.h"
#include "kit/Forms.h"
#include "kit/DXClock.h"
#include "kit/LocalClock.h"
#include "kit/ddraw/gdi.h"
#include "kit/ddraw/headless/HeadlessBackend.h"

namespace {

using sandloop::display::CreateHeadlessBackend;
using sandloop::display::HeadlessBackend;

class Form : public sandloop::TWindowHolder {
 public:
  explicit Form(HeadlessBackend*) : TWindowHolder("render_clock") {}
};

void Fill(IDirectDrawSurface* s, const RECT& r, DWORD rgb) {
  DDBLTFX fx;
  fx.dwSize = sizeof fx;
  fx.dwFillColor = rgb;
  s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void Label(IDirectDrawSurface* s, int x, int y, const std::string& text, COLORREF colour) {
  HDC dc = nullptr;
  if (FAILED(s->GetDC(&dc))) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
  s->ReleaseDC(dc);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string out = argc > 1 ? argv[1] : "out/review/clock.png";
  sandloop::LocalTime t;
  t.hour = 10;
  t.minute = 8;
  t.second = 30;
  if (argc > 2 && std::sscanf(argv[2], "%d:%d:%d", &t.hour, &t.minute, &t.second) != 3) {
    std::fprintf(stderr, "render_clock: time must be hh:mm:ss\n");
    return 2;
  }

  auto hb = CreateHeadlessBackend();
  sandloop::display::SetBackend(hb);
  Form form(hb.get());
  sandloop::TDDmain dd(&form);
  dd.SetWidth(1024);
  dd.SetHeight(768);
  dd.SetColorDepth(32);
  dd.SetEnabled(true);
  if (dd.FpDDSBack == nullptr) {
    std::fprintf(stderr, "render_clock: %s\n", dd.GetErrorResult().c_str());
    return 1;
  }

  const sandloop::FixedClock time(t);
  sandloop::TDXClock clock(&form, time);
  clock.DDmainModule = &dd;

  dd.ClearBackSurface();
  Fill(dd.FpDDSBack, RECT{0, 0, 1024, 384}, 0x14243C);    // night sky
  Fill(dd.FpDDSBack, RECT{0, 384, 1024, 768}, 0x7FB8C8);  // daylight water
  struct Face {
    int x, y, radius;
    COLORREF colour;
    const char* name;
  };
  const COLORREF gold = 0xC59F5A, white = 0xFFFFFF;
  for (int row = 0; row < 2; ++row) {
    const int y = row == 0 ? 190 : 574;
    for (const Face& f : {Face{175, y, 140, gold, "140 C59F5A"}, Face{490, y, 140, white, "140 white"},
                          Face{750, y, 70, gold, "70 C59F5A"}, Face{920, y, 70, white, "70 white"}}) {
      clock.SetXcenter(f.x);
      clock.SetYcenter(f.y);
      clock.SetRadius(f.radius);
      clock.SetColor(f.colour);
      clock.ShowClock();
      Label(dd.FpDDSBack, f.x - 40, f.y + f.radius + 14, f.name, row == 0 ? 0xC0C0C0 : 0x202020);
    }
  }
  char caption[64];
  std::snprintf(caption, sizeof caption, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  Label(dd.FpDDSBack, 10, 8, caption, 0xC0C0C0);
  dd.FlipSurfaces();

  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::path(out).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  const bool written = hb->WritePng(out);
  dd.SetEnabled(false);
  sandloop::display::SetBackend(nullptr);
  if (!written) {
    std::fprintf(stderr, "render_clock: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s\n", out.c_str());
  return 0;
}
