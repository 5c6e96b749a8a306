#include "kit/DDgamma.h"

#include <cstdint>
#include <cstring>

#include "kit/DDmain.h"

namespace sandloop {

TDDgamma::TDDgamma(TComponent* owner) : TComponent(owner) {}

TDDgamma::~TDDgamma() {
  if (FpDDGamma != nullptr) FpDDGamma->Release();
}

void TDDgamma::SetErrorResult(const std::string& text) {
  std::lock_guard<std::recursive_mutex> g(FLock);
  FErrorResult = text;
}

std::string TDDgamma::GetErrorResult() const {
  std::lock_guard<std::recursive_mutex> g(FLock);
  return FErrorResult;
}

void TDDgamma::Report(const std::string& message) {
  SetErrorResult(message);
  if (OnError) OnError(this);
}

void TDDgamma::SetEnabled(bool value) {
  std::lock_guard<std::recursive_mutex> g(FLock);
  if (value == FEnabled.load()) return;
  if (!value) {
    FEnabled = false;
    if (FpDDGamma != nullptr) {
      FpDDGamma->Release();
      FpDDGamma = nullptr;
    }
    return;
  }
  if (DDmainModule == nullptr) {
    Report("Error connect to DDMAIN");
    return;
  }
  FpDD = DDmainModule->FpDD;
  if (FpDD == nullptr) {
    Report("Error FpDD==NULL");
    return;
  }
  FpDDSPrimary = DDmainModule->FpDDSPrimary;
  if (FpDDSPrimary == nullptr) {
    Report("Error FpDDSPrimary==NULL");
    return;
  }
  DDCAPS caps;
  std::memset(&caps, 0, sizeof caps);
  caps.dwSize = sizeof caps;
  FpDD->GetCaps(&caps, nullptr);  // a failure leaves the record zeroed: no gamma
  if ((caps.dwCaps2 & DDCAPS2_PRIMARYGAMMA) == 0) return;
  void* control = nullptr;
  // A display that claims gamma support but gives no control is treated as
  // one without support: the component stays disabled, so that callers that
  // test Enabled never set a ramp through a missing control.
  if (FAILED(FpDDSPrimary->QueryInterface(IID_IDirectDrawGammaControl, &control)) || control == nullptr) return;
  FpDDGamma = static_cast<IDirectDrawGammaControl*>(control);
  FEnabled = true;
}

void TDDgamma::SetRGB(int level) {
  std::lock_guard<std::recursive_mutex> g(FLock);
  FRGB = level;
  if (!FEnabled.load()) return;
  ApplyRamp(level, level, level);
}

void TDDgamma::SetLinearRGB(int red, int green, int blue) {
  std::lock_guard<std::recursive_mutex> g(FLock);
  if (!FEnabled.load()) return;
  ApplyRamp(red, green, blue);
}

void TDDgamma::ApplyRamp(int red, int green, int blue) {
  if (FpDDGamma == nullptr) return;
  DDGAMMARAMP ramp{};
  // The current ramp is read first, as the platform expects; its values are
  // all overwritten below, so a failed read still sets the new ramp.
  if (FAILED(FpDDGamma->GetGammaRamp(0, &ramp))) {
    Report("Cannot GetGammaRamp");
    if (FpDDGamma == nullptr) return;  // the handler disabled the component
  }
  // Additions into 16-bit accumulators: entry i is i * value modulo 65536.
  const auto step_r = static_cast<std::uint16_t>(red);
  const auto step_g = static_cast<std::uint16_t>(green);
  const auto step_b = static_cast<std::uint16_t>(blue);
  std::uint16_t r = 0, gr = 0, b = 0;
  for (int i = 0; i < 256; ++i) {
    ramp.red[i] = r;
    ramp.green[i] = gr;
    ramp.blue[i] = b;
    r = static_cast<std::uint16_t>(r + step_r);
    gr = static_cast<std::uint16_t>(gr + step_g);
    b = static_cast<std::uint16_t>(b + step_b);
  }
  if (FAILED(FpDDGamma->SetGammaRamp(0, &ramp))) Report("Cannot SetGammaRamp");
}

}  // namespace sandloop
