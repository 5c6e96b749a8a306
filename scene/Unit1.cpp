#include "scene/Unit1.h"

#include <cstdio>

#include "kit/ddraw/backend.h"
#include "sun/SunTime.h"

namespace sandloop {

TForm1::TForm1(TApplication& app, const LocalClock& clock) : TForm(app, "Sandloop"), clock_(clock) {
  DDmain1.OnError = [this](TComponent* sender) { DDmain1Error(sender); };
  ConfigureSettingsStore(SetReg1);
  SetReg1.OnStoreDamaged = [this](TSetReg*, const std::string& message) {
    DDErrorLog1.WriteToLog("SettingsStore", message);
  };
}

TForm1::~TForm1() { CloseScene(); }

std::string TForm1::Now() const { return TDDErrorLog::TimeText(clock_.Now()); }

void TForm1::FormCreate() {
  Application().OnException = [this](TComponent* sender, const std::exception& e) { AppException(sender, e); };
  DDErrorLog1.WriteToLog(TDDErrorLog::kRunStart);
  DDErrorLog1.WriteToLog("START AT========>", Now());

  Settings = SettingsRecord{};
  SceneLoadSettings(SetReg1, Settings, Handle());

  float rise = SunEventTime(SunEvent::Sunrise, Settings.RegLat, Settings.RegLng, Settings.RegOfUTC, false, clock_);
  float set = SunEventTime(SunEvent::Sunset, Settings.RegLat, Settings.RegLng, Settings.RegOfUTC, false, clock_);
  if (Settings.FlagDaylightSavingTime) {
    rise += 1.0f;
    set += 1.0f;
  }

  DDmain1.SetWidth(Settings.ResHor);
  DDmain1.SetHeight(Settings.ResVert);
  DDmain1.SetColorDepth(Settings.ColorDepth);
  DDmain1.SetEnabled(true);
  if (finished_) return;  // the display failed and the saver has ended
  DDmain1.ClearBackSurface();
  DDmain1.FlipSurfaces();
  DDmain1.SetshowFPS(Settings.flag_fps);
  if (Settings.ShowRisSet) {
    DDmain1.SetShowTestString2(true);
    DDmain1.SetTestString2("Sunrise at: " + FormatSunTime(rise));
    DDmain1.SetShowTestString3(true);
    DDmain1.SetTestString3("Sunset at: " + FormatSunTime(set));
  }
  Application().OnIdle = [this](bool& done) { DrawFrame(done); };
}

void TForm1::DrawFrame(bool& done) {
  done = false;
  DDmain1.ClearBackSurface();
  DDmain1.FlipSurfaces();
}

void TForm1::DDmain1Error(TComponent*) {
  CloseScene();
  DDErrorLog1.WriteToLog("DDmain1Error", DDmain1.GetErrorResult());
  // Nothing is shown on the screen; a person at a terminal still learns why.
  std::fprintf(stderr, "sandloop: display error: %s\n", DDmain1.GetErrorResult().c_str());
  FinishSaver();
}

void TForm1::CloseScene() { DDmain1.SetEnabled(false); }

void TForm1::FinishSaver() {
  if (finished_) return;
  finished_ = true;
  Application().OnIdle = nullptr;
  CloseScene();
  Hide();
  DDErrorLog1.WriteToLog("FINISH AT=======>", Now());
  Close();
}

void TForm1::AppException(TComponent*, const std::exception& e) {
  DDErrorLog1.WriteToLog("ExceptionMessage", e.what());
  std::fprintf(stderr, "sandloop: %s\n", e.what());
  if (finished_) return;
  finished_ = true;
  Application().OnIdle = nullptr;
  if (DDmain1.Enabled()) CloseScene();
  DDErrorLog1.WriteToLog("FINISH WITH E AT=======>", Now());
  Application().Terminate();
}

// Until the scene's own input rules arrive, any key ends the saver.
void TForm1::FormKeyPress(char&) { FinishSaver(); }
void TForm1::FormKeyDown(int&, unsigned) { FinishSaver(); }

}  // namespace sandloop
