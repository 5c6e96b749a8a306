// Speed of the per-frame blits and of building strips, each measured side
// by side with memcpy of the same number of bytes in the same run. The
// counter "x_memcpy" is the ratio: time of the operation / time of memcpy.
//
//   BltFast/<bpp>/<kind>: a 1920 x 1080 picture blitted at (0, 0) through
//     BltFast; kind 0 opaque, 1 colour-keyed with 40 % keyed pixels in
//     sprite-like shapes, 2 colour-keyed with 40 % keyed pixels scattered
//     at random (the worst case).
//   KeyedLoop/<bpp>/<kind>: the same keyed copies through the plain loop
//     and the AVX2 loop directly (kind 1/2 as above; arg 3: 0 plain, 1 AVX2).
//   StripCreate/<kind>: TDDani::CreateSurface of the 144-frame eagle strip
//     (kind 0, 46 x 3312 stretched to 24 x 12) and of a 30-frame 800 x 4800
//     strip stretched for a 1920 x 1080 screen (kind 1, frames 1920 x 288),
//     against memcpy of the bytes of all frame surfaces.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "kit/Component.h"
#include "kit/DDani.h"
#include "kit/DDmain.h"
#include "kit/Picture.h"
#include "kit/ddraw/blit.h"
#include "kit/ddraw/ddraw.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "kit/ddraw/pixel.h"
#include "bench/Measure.h"

namespace {

using bench::Clock;
using bench::Measure;
using bench::Seconds;
using sandloop::display::CreateHeadlessBackend;
using sandloop::display::HeadlessBackend;

constexpr int kW = 1920, kH = 1080;
constexpr std::uint32_t kKeyRgb = 0xFF00FF;

// Whether pixel (x, y) is keyed in the given kind of picture: sprite-like
// blobs leave about 40 % of the pixels keyed in long runs; the random kind
// keys 40 % of the pixels one by one.
std::vector<bool> KeyMask(int kind) {
  std::vector<bool> keyed(static_cast<std::size_t>(kW) * kH, false);
  std::mt19937 rng(1234);
  if (kind == 2) {
    std::bernoulli_distribution coin(0.4);
    for (std::size_t i = 0; i < keyed.size(); ++i) keyed[i] = coin(rng);
  } else if (kind == 1) {
    // Rows of palm-like shapes: each 240 x 270 tile keeps an ellipse and a
    // trunk opaque.
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const int tx = x % 240 - 120, ty = y % 270 - 110;
        const bool crown = tx * tx * 100 / (118 * 118) + ty * ty * 100 / (112 * 112) < 100;
        const bool trunk = ty > 0 && tx > -25 && tx < 25;
        keyed[static_cast<std::size_t>(y) * kW + x] = !(crown || trunk);
      }
  }
  return keyed;
}

class BenchForm : public sandloop::TComponent, public sandloop::TWindowOwner {
 public:
  explicit BenchForm(HeadlessBackend& hb) : TComponent(nullptr), hb_(hb) {}
  HWND Handle() override { return window_ != 0 ? window_ : (window_ = hb_.CreateFormWindow("bench")); }

 private:
  HeadlessBackend& hb_;
  HWND window_ = 0;
};

// A display at 1920 x 1080 of the given depth with a source picture and a
// destination surface of screen size.
struct BlitScene {
  std::shared_ptr<HeadlessBackend> hb = CreateHeadlessBackend();
  IDirectDraw* dd = nullptr;
  IDirectDrawSurface* src = nullptr;
  IDirectDrawSurface* dst = nullptr;
  int bpp;

  BlitScene(int bpp_, int kind) : bpp(bpp_) {
    sandloop::display::SetBackend(hb);
    DirectDrawCreate(nullptr, &dd, nullptr);
    dd->SetCooperativeLevel(hb->CreateFormWindow("bench"), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    dd->SetDisplayMode(kW, kH, static_cast<DWORD>(bpp));
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = kW;
    desc.dwHeight = kH;
    dd->CreateSurface(&desc, &src, nullptr);
    dd->CreateSurface(&desc, &dst, nullptr);
    const std::vector<bool> keyed = KeyMask(kind);
    const std::uint32_t key = sandloop::display::EncodePixel(kKeyRgb, bpp);
    std::mt19937 rng(99);
    DDSURFACEDESC lock{};
    lock.dwSize = sizeof lock;
    src->Lock(nullptr, &lock, 0, nullptr);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        std::uint32_t v = sandloop::display::EncodePixel(rng() & 0xFFFFFF, bpp);
        if (v == key) v ^= 1;
        if (keyed[static_cast<std::size_t>(y) * kW + x]) v = key;
        sandloop::display::StorePixel(static_cast<std::uint8_t*>(lock.lpSurface) + y * lock.lPitch + x * (bpp / 8),
                                      bpp, v);
      }
    src->Unlock(nullptr);
    DDCOLORKEY ck;
    ck.dwColorSpaceLowValue = ck.dwColorSpaceHighValue = key;
    src->SetColorKey(DDCKEY_SRCBLT, &ck);
  }
  ~BlitScene() {
    src->Release();
    dst->Release();
    dd->Release();
    sandloop::display::SetBackend(nullptr);
  }
  std::size_t Bytes() const { return static_cast<std::size_t>(kW) * kH * (bpp / 8); }
};

void BM_BltFast(benchmark::State& state) {
  const int bpp = static_cast<int>(state.range(0));
  const int kind = static_cast<int>(state.range(1));
  BlitScene scene(bpp, kind);
  const DWORD flags = kind == 0 ? DDBLTFAST_NOCOLORKEY : DDBLTFAST_SRCCOLORKEY;
  HRESULT hr = DD_OK;
  Measure(state, scene.Bytes(), [&] { hr = scene.dst->BltFast(0, 0, scene.src, nullptr, flags); });
  if (hr != DD_OK) state.SkipWithError("BltFast failed");
}
BENCHMARK(BM_BltFast)
    ->ArgsProduct({{16, 24, 32}, {0, 1, 2}})
    ->ArgNames({"bpp", "kind"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_KeyedLoop(benchmark::State& state) {
  const int bpp = static_cast<int>(state.range(0));
  const int kind = static_cast<int>(state.range(1));
  const bool avx2 = state.range(2) != 0;
  if (avx2 && !sandloop::display::CpuHasAvx2()) {
    state.SkipWithError("no AVX2");
    return;
  }
  BlitScene scene(bpp, kind);
  DDSURFACEDESC s{}, d{};
  s.dwSize = d.dwSize = sizeof s;
  scene.src->Lock(nullptr, &s, 0, nullptr);
  scene.dst->Lock(nullptr, &d, 0, nullptr);
  const std::uint32_t key = sandloop::display::EncodePixel(kKeyRgb, bpp);
  auto* dp = static_cast<std::uint8_t*>(d.lpSurface);
  const auto* sp = static_cast<const std::uint8_t*>(s.lpSurface);
  Measure(state, scene.Bytes(), [&] {
    if (avx2)
      sandloop::display::BlitKeyedAvx2(dp, d.lPitch, sp, s.lPitch, kW, kH, bpp, key);
    else
      sandloop::display::BlitKeyedPlain(dp, d.lPitch, sp, s.lPitch, kW, kH, bpp, key);
  });
  scene.src->Unlock(nullptr);
  scene.dst->Unlock(nullptr);
}
BENCHMARK(BM_KeyedLoop)
    ->ArgsProduct({{16, 24, 32}, {1, 2}, {0, 1}})
    ->ArgNames({"bpp", "kind", "avx2"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_StripCreate(benchmark::State& state) {
  const bool surf = state.range(0) == 1;
  auto hb = CreateHeadlessBackend();
  sandloop::display::SetBackend(hb);
  {
    BenchForm form(*hb);
    sandloop::TDDmain dd(&form);
    dd.SetWidth(kW);
    dd.SetHeight(kH);
    dd.SetColorDepth(32);
    dd.SetEnabled(true);
    sandloop::TDDani strip(&form);
    strip.DDmainModule = &dd;
    const int w = surf ? 800 : 46, frame = surf ? 160 : 23, frames = surf ? 30 : 144;
    sandloop::Picture picture(w, frame * frames);
    std::mt19937 rng(5);
    for (int y = 0; y < picture.Height(); ++y)
      for (int x = 0; x < w; ++x) picture.SetPixel(x, y, rng() & 0xFFFFFF);
    strip.SetBitmap(&picture);
    strip.SetYOffsetFrame(frame);
    strip.SetStretching(true);
    strip.SetStretchWidth(surf ? kW : 24);
    strip.SetStretchHeight(surf ? kH * 160 / 600 : 12);
    const std::size_t bytes =
        static_cast<std::size_t>(frames) * strip.StretchWidth() * strip.StretchHeight() * 4;
    Measure(state, bytes, [&] { strip.CreateSurface(); }, [&] { strip.CloseSurface(); });
    if (!strip.GetErrorResult().empty()) state.SkipWithError(strip.GetErrorResult().c_str());
    dd.SetEnabled(false);
  }
  sandloop::display::SetBackend(nullptr);
}
BENCHMARK(BM_StripCreate)->Arg(0)->Arg(1)->ArgNames({"kind"})->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
