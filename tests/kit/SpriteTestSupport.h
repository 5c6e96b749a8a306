#pragma once
// Shared by the sprite, strip and blit tests: a form with a window on the
// headless display, a fixture that opens a display device on it, and
// access to the stored pixels of surfaces.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kit/Component.h"
#include "kit/DDmain.h"
#include "kit/Forms.h"
#include "kit/Picture.h"
#include "kit/ddraw/backend.h"
#include "kit/ddraw/ddraw.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "kit/ddraw/pixel.h"

namespace sandloop::testing {

class TestForm : public TWindowHolder {
 public:
  explicit TestForm(display::HeadlessBackend&) : TWindowHolder("test") {}
};

// The stored value of pixel (x, y) of a surface, read through Lock.
inline std::uint32_t StoredPixel(IDirectDrawSurface* s, int x, int y) {
  DDSURFACEDESC d{};
  d.dwSize = sizeof d;
  if (s->Lock(nullptr, &d, 0, nullptr) != DD_OK) return 0xDEADBEEF;
  const int bpp = static_cast<int>(d.ddpfPixelFormat.dwRGBBitCount);
  const auto* p = static_cast<const std::uint8_t*>(d.lpSurface) + static_cast<std::ptrdiff_t>(y) * d.lPitch +
                  static_cast<std::ptrdiff_t>(x) * (bpp / 8);
  const std::uint32_t v = display::LoadPixel(p, bpp);
  s->Unlock(nullptr);
  return v;
}

inline void StorePixelAt(IDirectDrawSurface* s, int x, int y, std::uint32_t value) {
  DDSURFACEDESC d{};
  d.dwSize = sizeof d;
  ASSERT_EQ(s->Lock(nullptr, &d, 0, nullptr), DD_OK);
  const int bpp = static_cast<int>(d.ddpfPixelFormat.dwRGBBitCount);
  auto* p = static_cast<std::uint8_t*>(d.lpSurface) + static_cast<std::ptrdiff_t>(y) * d.lPitch +
            static_cast<std::ptrdiff_t>(x) * (bpp / 8);
  display::StorePixel(p, bpp, value);
  s->Unlock(nullptr);
}

inline std::pair<int, int> SurfaceSize(IDirectDrawSurface* s) {
  DDSURFACEDESC d{};
  d.dwSize = sizeof d;
  s->GetSurfaceDesc(&d);
  return {static_cast<int>(d.dwWidth), static_cast<int>(d.dwHeight)};
}

// Fills a whole surface with one stored value.
inline void FillSurface(IDirectDrawSurface* s, std::uint32_t value) {
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = value;
  s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

// A picture whose every pixel differs from its neighbours: 0x00RRGGBB with
// x in red, y in green and a tag in blue.
inline Picture PatternPicture(int w, int h, int tag = 0x40) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p.SetPixel(x, y, (static_cast<std::uint32_t>(x * 4 + 3) << 16) | (static_cast<std::uint32_t>(y * 4 + 3) << 8) |
                           static_cast<std::uint32_t>(tag));
  return p;
}

// A headless display and an open device of the given mode. Small modes are
// listed so that whole screens can be checked pixel by pixel.
class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hb = display::CreateHeadlessBackend();
    auto modes = hb->Modes();
    for (int bpp : {16, 24, 32}) {
      modes.push_back({16, 12, bpp});
      modes.push_back({40, 30, bpp});
    }
    hb->SetModes(modes);
    display::SetBackend(hb);
    form = std::make_unique<TestForm>(*hb);
    dd = std::make_unique<TDDmain>(form.get());
  }
  void TearDown() override {
    dd->SetEnabled(false);
    dd.reset();
    form.reset();
    display::SetBackend(nullptr);
  }
  void Open(int w, int h, int bpp) {
    dd->SetWidth(w);
    dd->SetHeight(h);
    dd->SetColorDepth(bpp);
    dd->SetEnabled(true);
    ASSERT_NE(dd->FpDDSBack, nullptr) << dd->GetErrorResult();
    FillSurface(dd->FpDDSBack, 0);
  }
  std::uint32_t Back(int x, int y) const { return StoredPixel(dd->FpDDSBack, x, y); }
  // The stored value of a picture colour at the device's depth.
  std::uint32_t Stored(std::uint32_t rgb) const { return display::EncodePixel(rgb, dd->GetColorDepth()); }

  std::shared_ptr<display::HeadlessBackend> hb;
  std::unique_ptr<TestForm> form;
  std::unique_ptr<TDDmain> dd;
};

// The display fixture for one kind of drawing component (the sprite
// TDDbmp, the strip TDDani): Attach connects one to the device and counts
// its OnError calls, checking the sender and keeping the error texts.
template <class Component>
class ComponentTest : public DisplayTest {
 protected:
  void Attach(Component& c) {
    c.DDmainModule = dd.get();
    c.OnError = [this, &c](TComponent* sender) {
      ++errors;
      EXPECT_EQ(sender, &c);
      messages.push_back(c.GetErrorResult());
      Seen(c);
    };
  }
  // What a fixture keeps of the component's state at each error.
  virtual void Seen(const Component& /*c*/) {}

  int errors = 0;
  std::vector<std::string> messages;
};

}  // namespace sandloop::testing
