// What the sprite (TDDbmp) and the animation strip (TDDani) share, checked
// on both: their defaults, the device and back buffer they need before a
// surface is made, and a frame drawn, waited for, lost and reported. Each
// class's own cases are in test_ddbmp.cpp and test_ddani.cpp.
#include <string>
#include <vector>

#include "kit/DDani.h"
#include "kit/DDbmp.h"
#include "tests/kit/SpriteTestSupport.h"

namespace sandloop {
namespace {

using display::Op;
using testing::PatternPicture;

// The two classes' texts for the same failures, and a frame's surface.
template <class T>
struct Kind;

template <>
struct Kind<TDDbmp> {
  static constexpr const char* kNoDevice = "FDD==NULL";
  static constexpr const char* kNoBackBuffer = "FDDBACK==NULL";
  static constexpr const char* kDrawNoBackBuffer = "eFDDBACK==NULL";
  static constexpr const char* kBlitFailed = "eFDDBACK->BltFast (BMP)";
  static constexpr const char* kNoSurface = "eFpSurface==NULL";
  static IDirectDrawSurface* Surface(const TDDbmp& s, int /*frame*/) { return s.FpSurface; }
};

template <>
struct Kind<TDDani> {
  static constexpr const char* kNoDevice = "Error FDD==NULL";
  static constexpr const char* kNoBackBuffer = "Error FDDBACK==NULL";
  static constexpr const char* kDrawNoBackBuffer = "Error FDDBACK==NULL";
  static constexpr const char* kBlitFailed = "Error FDDBACK->BltFast (BMP)";
  static constexpr const char* kNoSurface = "Error FpSurface==NULL";
  static IDirectDrawSurface* Surface(const TDDani& a, int frame) { return a.FpSurface[frame]; }
};

template <class T>
class SpriteAndStripTest : public testing::ComponentTest<T> {};

using Components = ::testing::Types<TDDbmp, TDDani>;
TYPED_TEST_SUITE(SpriteAndStripTest, Components);

TYPED_TEST(SpriteAndStripTest, ConstructorDefaults) {
  TypeParam s(this->form.get());
  EXPECT_EQ(s.Owner(), this->form.get());
  EXPECT_EQ(s.DDmainModule, nullptr);
  EXPECT_EQ(s.FDDBACK, nullptr);
  EXPECT_EQ(s.StretchWidth(), 0);
  EXPECT_EQ(s.StretchHeight(), 0);
  EXPECT_FALSE(s.Stretching());
  EXPECT_FALSE(s.Transparency());
  EXPECT_EQ(s.GetShowX(), 0);
  EXPECT_EQ(s.GetNumberFrame(), 0);
  EXPECT_EQ(s.GetYOffsetFrame(), 0);
  EXPECT_EQ(s.BlitFlags(), 0u);
  EXPECT_TRUE(s.Bitmap().Empty());
  EXPECT_EQ(s.GetErrorResult(), "");
}

// Without the display module, with the device not open and without its
// back buffer, CreateSurface says which is missing and makes nothing.
TYPED_TEST(SpriteAndStripTest, CreateSurfaceNeedsTheDeviceAndItsBackBuffer) {
  TypeParam s(this->form.get());
  this->Attach(s);
  const Picture p = PatternPicture(4, 8);
  s.SetBitmap(&p);
  s.SetYOffsetFrame(4);
  s.DDmainModule = nullptr;
  s.CreateSurface();
  EXPECT_EQ(s.GetErrorResult(), "Error connect to DDMAIN");
  s.DDmainModule = this->dd.get();
  s.CreateSurface();
  EXPECT_EQ(s.GetErrorResult(), Kind<TypeParam>::kNoDevice);
  this->Open(40, 30, 32);
  IDirectDrawSurface* back = this->dd->FpDDSBack;
  this->dd->FpDDSBack = nullptr;
  s.CreateSurface();
  this->dd->FpDDSBack = back;
  EXPECT_EQ(s.GetErrorResult(), Kind<TypeParam>::kNoBackBuffer);
  EXPECT_EQ(Kind<TypeParam>::Surface(s, 0), nullptr);
  EXPECT_EQ(this->errors, 3);
}

// A frame drawn while the back buffer is "still drawing" waits for it; a
// lost surface is released and reported with its result, and a later draw
// of that frame reports the missing surface; without the back buffer
// nothing is drawn.
TYPED_TEST(SpriteAndStripTest, DrawAniWaitsOutStillDrawingAndReportsALostSurface) {
  this->Open(40, 30, 32);
  TypeParam s(this->form.get());
  this->Attach(s);
  const Picture p = PatternPicture(3, 9);  // 3 frames of 3 rows
  s.SetBitmap(&p);
  s.SetYOffsetFrame(3);
  s.CreateSurface();
  s.SetNumberFrame(1);
  s.SetShowX(2);
  this->hb->FailNext(Op::BltFast, DDERR_WASSTILLDRAWING, 2);
  s.DrawAni();
  EXPECT_EQ(this->errors, 0);
  EXPECT_EQ(this->Back(2, 0), p.Pixel(0, 3));
  EXPECT_EQ(this->Back(4, 2), p.Pixel(2, 5));

  this->hb->FailOnce(Op::BltFast, DDERR_SURFACELOST);
  s.DrawAni();
  EXPECT_EQ(s.GetErrorResult(), Kind<TypeParam>::kBlitFailed);
  EXPECT_EQ(s.LastResult(), DDERR_SURFACELOST);
  EXPECT_EQ(Kind<TypeParam>::Surface(s, 1), nullptr);
  EXPECT_EQ(this->errors, 1);
  const int blits = this->hb->Calls(Op::BltFast);
  s.DrawAni();
  EXPECT_EQ(s.GetErrorResult(), Kind<TypeParam>::kNoSurface);
  EXPECT_EQ(this->errors, 2);

  s.CreateSurface();
  s.FDDBACK = nullptr;
  s.DrawAni();
  EXPECT_EQ(s.GetErrorResult(), Kind<TypeParam>::kDrawNoBackBuffer);
  EXPECT_NE(Kind<TypeParam>::Surface(s, 1), nullptr);
  EXPECT_EQ(this->hb->Calls(Op::BltFast), blits);
  EXPECT_EQ(this->errors, 3);
  s.CloseSurface();
}

}  // namespace
}  // namespace sandloop
