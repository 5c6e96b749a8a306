// The display layer's own rules: what it refuses, what it reports, and the
// message loop of the form framework on top of it.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "SpriteTestSupport.h"
#include "kit/Forms.h"
#include "kit/ddraw/ddraw.h"
#include "kit/ddraw/gdi.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "kit/ddraw/platform.h"

namespace sandloop {
namespace {

using display::CreateHeadlessBackend;
using display::HeadlessBackend;
using display::InputEvent;

class LayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hb = CreateHeadlessBackend();
    display::SetBackend(hb);
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
  }
  void TearDown() override {
    if (dd != nullptr) dd->Release();
    display::SetBackend(nullptr);
  }
  IDirectDrawSurface* Plain(int w, int h) {
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    d.dwWidth = static_cast<DWORD>(w);
    d.dwHeight = static_cast<DWORD>(h);
    IDirectDrawSurface* s = nullptr;
    EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
    return s;
  }
  std::shared_ptr<HeadlessBackend> hb;
  IDirectDraw* dd = nullptr;
};

TEST(LayerWithoutDisplay, CreateFailsAndMessagesGoToStandardError) {
  display::SetBackend(nullptr);
  IDirectDraw* dd = reinterpret_cast<IDirectDraw*>(0x1);
  EXPECT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), E_FAIL);
  EXPECT_EQ(dd, nullptr);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(0, "text", "Screen saver", MB_OK), IDOK);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Screen saver: text\n");
}

TEST_F(LayerTest, BltFastRefusesWhatDoesNotFit) {
  IDirectDrawSurface* dst = Plain(10, 8);
  IDirectDrawSurface* src = Plain(4, 4);
  EXPECT_EQ(dst->BltFast(6, 4, src, nullptr, 0), DD_OK);  // touches the last column and row
  EXPECT_EQ(dst->BltFast(7, 0, src, nullptr, 0), DDERR_INVALIDRECT);
  EXPECT_EQ(dst->BltFast(0, 5, src, nullptr, 0), DDERR_INVALIDRECT);
  // A negative destination arrives as a huge unsigned number.
  EXPECT_EQ(dst->BltFast(static_cast<DWORD>(-1), 0, src, nullptr, 0), DDERR_INVALIDRECT);
  const RECT outside{2, 0, 5, 4}, empty{1, 1, 1, 3}, inverted{3, 0, 1, 4};
  EXPECT_EQ(dst->BltFast(0, 0, src, &outside, 0), DDERR_INVALIDRECT);
  EXPECT_EQ(dst->BltFast(0, 0, src, &empty, 0), DDERR_INVALIDRECT);
  EXPECT_EQ(dst->BltFast(0, 0, src, &inverted, 0), DDERR_INVALIDRECT);
  src->Release();
  dst->Release();
}

TEST_F(LayerTest, KeyedBltSkipsOnlyTheKeyValue) {
  IDirectDrawSurface* dst = Plain(3, 1);
  IDirectDrawSurface* src = Plain(3, 1);
  testing::FillSurface(dst, 0x111111);
  testing::StorePixelAt(src, 0, 0, 0xFF00FF);
  testing::StorePixelAt(src, 1, 0, 0xFF00FE);
  testing::StorePixelAt(src, 2, 0, 0xFF00FF);
  const DDCOLORKEY key{0xFF00FF, 0xFF00FF};
  ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  ASSERT_EQ(dst->BltFast(0, 0, src, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
  EXPECT_EQ(testing::StoredPixel(dst, 0, 0), 0x111111u);
  EXPECT_EQ(testing::StoredPixel(dst, 1, 0), 0xFF00FEu);
  EXPECT_EQ(testing::StoredPixel(dst, 2, 0), 0x111111u);
  // The plain copy ignores the key.
  ASSERT_EQ(dst->BltFast(0, 0, src, nullptr, 0), DD_OK);
  EXPECT_EQ(testing::StoredPixel(dst, 0, 0), 0xFF00FFu);
  src->Release();
  dst->Release();
}

TEST_F(LayerTest, PixelsKeepTheirColourInEachDepth) {
  HWND w = hb->CreateFormWindow("t");
  ASSERT_EQ(dd->SetCooperativeLevel(w, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  for (int bpp : {16, 24, 32}) {
    SCOPED_TRACE(bpp);
    ASSERT_EQ(dd->SetDisplayMode(800, 600, static_cast<DWORD>(bpp)), DD_OK);
    IDirectDrawSurface* s = Plain(2, 1);
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(s->Lock(nullptr, &d, 0, nullptr), DD_OK);
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, static_cast<DWORD>(bpp));
    EXPECT_EQ(d.lPitch % 4, 0);
    ASSERT_EQ(s->Unlock(nullptr), DD_OK);
    EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);
    HDC dc = nullptr;
    ASSERT_EQ(s->GetDC(&dc), DD_OK);
    // White and black survive every depth; 16 bits rounds other colours.
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(255, 255, 255)), RGB(255, 255, 255));
    EXPECT_EQ(SetPixel(dc, 1, 0, RGB(0, 0, 0)), RGB(0, 0, 0));
    const COLORREF c = SetPixel(dc, 0, 0, RGB(200, 100, 50));
    if (bpp == 16)
      EXPECT_EQ(c, RGB(206, 101, 49));
    else
      EXPECT_EQ(c, RGB(200, 100, 50));
    EXPECT_EQ(GetPixel(dc, 0, 0), c);
    EXPECT_EQ(GetPixel(dc, 2, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(dc, -1, 0, 0), CLR_INVALID);
    ASSERT_EQ(s->ReleaseDC(dc), DD_OK);
    s->Release();
  }
}

TEST_F(LayerTest, CapabilitiesModesAndSurfaceSizes) {
  DDCAPS caps{};
  caps.dwSize = 100;  // a record of the wrong size is refused
  EXPECT_EQ(dd->GetCaps(&caps, nullptr), DDERR_INVALIDPARAMS);
  caps.dwSize = sizeof caps;
  ASSERT_EQ(dd->GetCaps(&caps, nullptr), DD_OK);
  EXPECT_NE(caps.dwCaps2 & DDCAPS2_PRIMARYGAMMA, 0u);

  hb->SetModes({{800, 600, 16}, {1024, 768, 32}});
  int count = 0;
  ASSERT_EQ(dd->EnumDisplayModes(0, nullptr, &count,
                                 [](DDSURFACEDESC* d, void* c) -> HRESULT {
                                   ++*static_cast<int*>(c);
                                   return d->dwWidth == 800 ? 1 : 0;
                                 }),
            DD_OK);
  EXPECT_EQ(count, 2);

  DDSURFACEDESC d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  IDirectDrawSurface* s = nullptr;
  d.dwWidth = 0;
  d.dwHeight = 10;
  EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_INVALIDPARAMS);
  d.dwWidth = 100000;
  EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(s, nullptr);
  // No primary surface without the exclusive level.
  d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_NOEXCLUSIVEMODE);
}

TEST_F(LayerTest, ASurfaceOutlivingItsObjectStaysUsable) {
  IDirectDrawSurface* s = Plain(4, 4);
  dd->Release();
  dd = nullptr;
  testing::FillSurface(s, 0x123456);
  EXPECT_EQ(testing::StoredPixel(s, 3, 3), 0x123456u);
  s->Release();
}

TEST(FormFramework, HandlerExceptionsGoToTheExceptionEventAndTheLoopGoesOn) {
  auto hb = CreateHeadlessBackend();
  display::SetBackend(hb);
  struct Form : TForm {
    explicit Form(TApplication& app) : TForm(app, "f") {}
    void FormKeyDown(int& key, unsigned) override {
      if (key == 'X') throw std::runtime_error("bad key");
      Close();
    }
  };
  TApplication app;
  app.CreateForm<Form>();
  std::string caught;
  app.OnException = [&](TComponent*, const std::exception& e) { caught = e.what(); };
  hb->PushEvent({InputEvent::Kind::KeyDown, 'X', 0, 0, 0, 0});
  hb->PushEvent({InputEvent::Kind::KeyDown, 'Q', 0, 0, 0, 0});
  app.Run();
  EXPECT_EQ(caught, "bad key");
  // Without an exception event the standard box shows the message.
  app.OnException = nullptr;
  app.ShowException(std::runtime_error("shown"));
  ASSERT_EQ(hb->Messages().size(), 1u);
  EXPECT_EQ(hb->Messages()[0].text, "shown");
  display::SetBackend(nullptr);
}

}  // namespace
}  // namespace sandloop
