// The gamma ramp: the component's ramps, capability test and messages, the
// layer's gamma control, and the present's conversion through the ramp.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "SpriteTestSupport.h"
#include "kit/DDgamma.h"
#include "kit/DDmain.h"
#include "kit/Forms.h"
#include "kit/ddraw/gdi.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "kit/ddraw/pixel.h"
#include "kit/ddraw/present.h"

namespace {

using sandloop::TDDgamma;
using sandloop::TDDmain;
using sandloop::display::CreateHeadlessBackend;
using sandloop::display::HeadlessBackend;
using sandloop::display::Op;

class GammaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sandloop::display::SetBackend(hb_);
    gamma_.DDmainModule = &dd_;
    gamma_.OnError = [this](sandloop::TComponent* sender) {
      ++errors_;
      last_sender_ = sender;
    };
  }
  void TearDown() override {
    gamma_.SetEnabled(false);
    dd_.SetEnabled(false);
    sandloop::display::SetBackend(nullptr);
  }

  void Open() {
    dd_.SetWidth(800);
    dd_.SetHeight(600);
    dd_.SetColorDepth(32);
    dd_.SetEnabled(true);
    ASSERT_NE(dd_.FpDDSPrimary, nullptr);
  }

  // The ramp now on the display, read through a control of its own.
  DDGAMMARAMP DisplayRamp() {
    void* out = nullptr;
    EXPECT_EQ(dd_.FpDDSPrimary->QueryInterface(IID_IDirectDrawGammaControl, &out), DD_OK);
    auto* control = static_cast<IDirectDrawGammaControl*>(out);
    DDGAMMARAMP r{};
    EXPECT_EQ(control->GetGammaRamp(0, &r), DD_OK);
    control->Release();
    return r;
  }

  // Presents a page with one pixel of `colour` at (10, 10) and returns
  // what the viewer sees there.
  std::uint32_t Shown(COLORREF colour) {
    dd_.ClearBackSurface();
    HDC dc = nullptr;
    EXPECT_EQ(dd_.FpDDSBack->GetDC(&dc), DD_OK);
    SetPixel(dc, 10, 10, colour);
    dd_.FpDDSBack->ReleaseDC(dc);
    dd_.FlipSurfaces();
    return hb_->Screen().Pixel(10, 10) & 0xFFFFFF;
  }

  std::shared_ptr<HeadlessBackend> hb_ = CreateHeadlessBackend();
  sandloop::testing::TestForm form_{*hb_};
  TDDmain dd_{&form_};
  TDDgamma gamma_{&form_};
  int errors_ = 0;
  sandloop::TComponent* last_sender_ = nullptr;
};

TEST_F(GammaTest, GreyRamps) {
  Open();
  gamma_.SetEnabled(true);
  ASSERT_TRUE(gamma_.Enabled());
  gamma_.SetRGB(256);
  DDGAMMARAMP r = DisplayRamp();
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(r.red[i], 256 * i);
    ASSERT_EQ(r.green[i], 256 * i);
    ASSERT_EQ(r.blue[i], 256 * i);
  }
  EXPECT_EQ(r.red[255], 65280);  // read back as set, not as the display's 257 * i
  EXPECT_EQ(Shown(RGB(200, 100, 50)), 0xC86432u);  // neutral

  gamma_.SetRGB(0);
  r = DisplayRamp();
  for (int i = 0; i < 256; ++i) ASSERT_EQ(r.red[i] | r.green[i] | r.blue[i], 0);
  EXPECT_EQ(Shown(RGB(255, 255, 255)), 0u);

  gamma_.SetRGB(128);
  r = DisplayRamp();
  EXPECT_EQ(r.green[255], 32640);
  EXPECT_EQ(r.blue[1], 128);
  EXPECT_EQ(Shown(RGB(200, 100, 50)), 0x643219u);  // halved
  EXPECT_EQ(gamma_.GetRGB(), 128);
  EXPECT_EQ(errors_, 0);
}

TEST_F(GammaTest, LevelsAbove257WrapPast65535) {
  Open();
  gamma_.SetEnabled(true);
  gamma_.SetRGB(300);
  const DDGAMMARAMP r = DisplayRamp();
  EXPECT_EQ(r.red[218], 65400);
  EXPECT_EQ(r.red[219], 164);  // 65700 - 65536
  EXPECT_EQ(r.blue[255], 10964);
}

TEST_F(GammaTest, LinearRampPerChannel) {
  Open();
  gamma_.SetEnabled(true);
  gamma_.SetLinearRGB(182, 112, 52);
  DDGAMMARAMP r = DisplayRamp();
  EXPECT_EQ(r.red[255], 46410);
  EXPECT_EQ(r.green[255], 28560);
  EXPECT_EQ(r.blue[255], 13260);
  EXPECT_EQ(r.red[0], 0);
  EXPECT_EQ(r.green[100], 11200);
  // The page is tinted through the high bytes: 181, 111, 51 for 255.
  EXPECT_EQ(Shown(RGB(255, 255, 255)), 0xB56F33u);
  EXPECT_EQ(gamma_.GetRGB(), 256);  // unchanged

  gamma_.SetLinearRGB(255, 255, 255);
  EXPECT_EQ(DisplayRamp().red[255], 65025);
  // Only the low 16 bits of each value count.
  gamma_.SetLinearRGB(65536 + 10, -1, 0);
  r = DisplayRamp();
  EXPECT_EQ(r.red[3], 30);
  EXPECT_EQ(r.green[1], 65535);
  EXPECT_EQ(r.green[2], 65534);
  EXPECT_EQ(r.blue[200], 0);
}

TEST_F(GammaTest, DisabledComponentStoresTheLevelOnly) {
  Open();
  gamma_.SetRGB(128);
  EXPECT_EQ(gamma_.GetRGB(), 128);
  EXPECT_EQ(DisplayRamp().red[255], 255 * 257);  // the display's own ramp
  gamma_.SetLinearRGB(1, 2, 3);
  gamma_.SetEnabled(true);  // enabling does not apply the stored level
  EXPECT_EQ(DisplayRamp().red[255], 255 * 257);
  EXPECT_EQ(Shown(RGB(255, 255, 255)), 0xFFFFFFu);
}

TEST_F(GammaTest, DisablingLeavesTheRampOnTheDisplay) {
  Open();
  gamma_.SetEnabled(true);
  gamma_.SetRGB(128);
  gamma_.SetEnabled(false);
  EXPECT_FALSE(gamma_.Enabled());
  EXPECT_EQ(DisplayRamp().red[255], 32640);
  EXPECT_EQ(Shown(RGB(255, 255, 255)), 0x7F7F7Fu);
  // The neutral ramp comes back by enabling and setting 256.
  gamma_.SetEnabled(true);
  gamma_.SetRGB(256);
  EXPECT_EQ(Shown(RGB(255, 255, 255)), 0xFFFFFFu);
}

TEST_F(GammaTest, EnablingTwiceOrDisablingTwiceDoesNothing) {
  Open();
  gamma_.SetEnabled(true);
  gamma_.SetEnabled(true);
  EXPECT_EQ(hb_->Calls(Op::QueryInterface), 1);
  EXPECT_EQ(hb_->Calls(Op::GetCaps), 1);
  gamma_.SetEnabled(false);
  gamma_.SetEnabled(false);
  EXPECT_FALSE(gamma_.Enabled());
  EXPECT_EQ(errors_, 0);
}

TEST_F(GammaTest, NoGammaSupportIsNotAnError) {
  hb_->SetGammaSupported(false);
  Open();
  DDCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(dd_.FpDD->GetCaps(&caps, nullptr), DD_OK);
  EXPECT_EQ(caps.dwCaps2 & DDCAPS2_PRIMARYGAMMA, 0u);
  gamma_.SetErrorResult("before");
  gamma_.SetEnabled(true);
  EXPECT_FALSE(gamma_.Enabled());
  EXPECT_EQ(gamma_.GetErrorResult(), "before");
  EXPECT_EQ(errors_, 0);
  gamma_.SetRGB(0);  // nothing happens to the display
  EXPECT_EQ(Shown(RGB(255, 255, 255)), 0xFFFFFFu);
}

TEST_F(GammaTest, SupportIsReportedInTheCapabilities) {
  Open();
  DDCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(dd_.FpDD->GetCaps(&caps, nullptr), DD_OK);
  EXPECT_EQ(caps.dwCaps2 & DDCAPS2_PRIMARYGAMMA, DDCAPS2_PRIMARYGAMMA);
}

TEST_F(GammaTest, EnablingWithoutAnOpenDeviceIsReported) {
  TDDgamma loose(&form_);
  int fired = 0;
  loose.OnError = [&](sandloop::TComponent* sender) {
    ++fired;
    EXPECT_EQ(sender, &loose);
  };
  loose.SetEnabled(true);
  EXPECT_EQ(loose.GetErrorResult(), "Error connect to DDMAIN");
  EXPECT_EQ(fired, 1);
  EXPECT_FALSE(loose.Enabled());

  gamma_.SetEnabled(true);  // device not open
  EXPECT_EQ(gamma_.GetErrorResult(), "Error FpDD==NULL");
  EXPECT_EQ(errors_, 1);
  EXPECT_EQ(last_sender_, &gamma_);
  EXPECT_FALSE(gamma_.Enabled());
}

TEST_F(GammaTest, FailingGetGammaRampStillSetsTheRamp) {
  Open();
  gamma_.SetEnabled(true);
  hb_->FailOnce(Op::GetGammaRamp, E_FAIL);
  gamma_.SetRGB(128);
  EXPECT_EQ(gamma_.GetErrorResult(), "Cannot GetGammaRamp");
  EXPECT_EQ(errors_, 1);
  EXPECT_EQ(DisplayRamp().red[255], 32640);
}

TEST_F(GammaTest, RefusedRampIsReportedAndNotSet) {
  Open();
  gamma_.SetEnabled(true);
  hb_->FailOnce(Op::SetGammaRamp, DDERR_INVALIDPARAMS);
  gamma_.SetLinearRGB(10, 20, 30);
  EXPECT_EQ(gamma_.GetErrorResult(), "Cannot SetGammaRamp");
  EXPECT_EQ(errors_, 1);
  EXPECT_EQ(DisplayRamp().red[255], 255 * 257);
}

TEST_F(GammaTest, HandlerThatDisablesDuringAReportIsSafe) {
  Open();
  gamma_.SetEnabled(true);
  gamma_.OnError = [this](sandloop::TComponent*) { gamma_.SetEnabled(false); };
  hb_->FailOnce(Op::GetGammaRamp, E_FAIL);
  gamma_.SetRGB(0);
  EXPECT_FALSE(gamma_.Enabled());
  EXPECT_EQ(DisplayRamp().red[255], 255 * 257);  // the control was gone: nothing set
}

TEST_F(GammaTest, MissingControlLeavesTheComponentDisabled) {
  Open();
  hb_->FailOnce(Op::QueryInterface, E_NOINTERFACE);
  gamma_.SetEnabled(true);
  EXPECT_FALSE(gamma_.Enabled());
  gamma_.SetRGB(0);
  EXPECT_EQ(errors_, 0);
  gamma_.SetEnabled(true);  // the next attempt gets the control
  EXPECT_TRUE(gamma_.Enabled());
}

TEST_F(GammaTest, ComponentForgottenEnabledReleasesItsControl) {
  Open();
  auto g = std::make_unique<TDDgamma>(&form_);
  g->DDmainModule = &dd_;
  g->SetEnabled(true);
  g->SetRGB(200);
  g.reset();  // no leak (checked by the sanitizers), ramp stays
  EXPECT_EQ(DisplayRamp().red[1], 200);
}

TEST_F(GammaTest, KeyThreadAndTimerThreadShareTheComponent) {
  Open();
  std::atomic<bool> stop{false};
  std::thread timer([&] {
    for (int i = 0; i < 2000 && !stop; ++i) {
      gamma_.SetEnabled(true);
      if (gamma_.Enabled()) gamma_.SetLinearRGB(182, 112, 52);
    }
  });
  for (int i = 0; i < 2000; ++i) {
    gamma_.SetEnabled(true);
    if (gamma_.Enabled()) gamma_.SetRGB(i % 257);
    gamma_.SetEnabled(false);
  }
  stop = true;
  timer.join();
  EXPECT_EQ(errors_, 0);
  const DDGAMMARAMP r = DisplayRamp();
  // Whichever came last, the ramp is one of the two, whole.
  const bool tint = r.red[255] == 46410 && r.green[255] == 28560 && r.blue[255] == 13260;
  const bool grey = r.red[255] == r.green[255] && r.green[255] == r.blue[255];
  EXPECT_TRUE(tint || grey);
}

// --- conversion of a page through a ramp ---------------------------------

using sandloop::display::ConvertPage;
using sandloop::display::ConvertPagePortable;
using sandloop::display::MakeRampTables;
using sandloop::display::PageView;

// The plain definition: decode each pixel, look up each channel.
std::vector<std::uint32_t> Reference(const PageView& page, const sandloop::display::RampTables* t) {
  std::vector<std::uint32_t> out;
  for (int y = 0; y < page.height; ++y) {
    for (int x = 0; x < page.width; ++x) {
      const std::uint8_t* p = page.pixels + y * page.pitch + x * (page.bpp / 8);
      std::uint32_t rgb = sandloop::display::DecodePixel(sandloop::display::LoadPixel(p, page.bpp), page.bpp);
      if (t != nullptr)
        rgb = (static_cast<std::uint32_t>(t->red[rgb >> 16]) << 16) |
              (static_cast<std::uint32_t>(t->green[(rgb >> 8) & 0xFF]) << 8) | t->blue[rgb & 0xFF];
      out.push_back(rgb);
    }
  }
  return out;
}

TEST(PresentConversion, EveryPathMatchesThePlainDefinition) {
  std::mt19937 rng(42);
  sandloop::display::Ramp random;
  for (int i = 0; i < 256; ++i) {
    random.red[i] = static_cast<std::uint16_t>(rng());
    random.green[i] = static_cast<std::uint16_t>(rng());
    random.blue[i] = static_cast<std::uint16_t>(rng());
  }
  // A linear ramp of the kit's kind, wrapping past 65535 in one channel.
  sandloop::display::Ramp linear;
  for (unsigned i = 0; i < 256; ++i) {
    linear.red[i] = static_cast<std::uint16_t>(i * 300);
    linear.green[i] = static_cast<std::uint16_t>(i * 182);
    linear.blue[i] = static_cast<std::uint16_t>(i * 52);
  }
  const auto random_tables = MakeRampTables(random);
  const auto linear_tables = MakeRampTables(linear);
  EXPECT_FALSE(random_tables.linear);
  ASSERT_TRUE(linear_tables.linear);
  EXPECT_EQ(linear_tables.step_red, 300);
  EXPECT_EQ(linear_tables.step_blue, 52);
  // Widths around the vector steps of 4, 8 and 16 pixels exercise the row
  // tails.
  for (int bpp : {16, 24, 32}) {
    for (int width : {1, 7, 15, 16, 17, 33, 64, 99}) {
      const int height = 5;
      const int pitch = ((width * (bpp / 8)) + 3) & ~3;
      std::vector<std::uint8_t> bytes(static_cast<std::size_t>(pitch) * height + 4);
      for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
      const PageView page{bytes.data(), width, height, pitch, bpp};
      for (const auto* t : {&random_tables, &linear_tables, static_cast<const sandloop::display::RampTables*>(nullptr)}) {
        const auto want = Reference(page, t);
        // Destination rows wider than the page: nothing past a row's end
        // may be written.
        const int dst_pitch = width * 4 + 8;
        std::vector<std::uint8_t> fast(static_cast<std::size_t>(dst_pitch) * height, 0xEE);
        std::vector<std::uint8_t> slow(fast.size(), 0xEE), oldest(fast.size(), 0xEE);
        ConvertPage(page, fast.data(), dst_pitch, t);
        ConvertPagePortable(page, slow.data(), dst_pitch, t);
        ConvertPagePortable(page, oldest.data(), dst_pitch, t, /*avx2=*/false);
        EXPECT_EQ(fast, slow) << bpp << " bits, width " << width;
        EXPECT_EQ(fast, oldest) << bpp << " bits, width " << width;
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x) {
            std::uint32_t got;
            std::memcpy(&got, &fast[static_cast<std::size_t>(y) * dst_pitch + x * 4], 4);
            // A 32-bit page without a ramp is copied as it is.
            if (bpp == 32 && t == nullptr) got &= 0xFFFFFF;
            ASSERT_EQ(got, want[static_cast<std::size_t>(y) * width + x]) << bpp << " bits, " << x << "," << y;
          }
          EXPECT_EQ(fast[static_cast<std::size_t>(y) * dst_pitch + width * 4], 0xEE);
        }
      }
    }
  }
}

}  // namespace
