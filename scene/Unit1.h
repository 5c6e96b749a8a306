#pragma once
// TForm1: the full-screen form of run mode. FormCreate logs the start,
// loads the settings, opens the display in the stored mode and installs
// the frame drawing as the application's idle event; the message loop then
// runs until an input ends the saver, which is logged as the finish.
#include <exception>

#include "diag/DDErrorLog.h"
#include "kit/DDmain.h"
#include "kit/Forms.h"
#include "kit/LocalClock.h"
#include "settings/SetReg.h"
#include "settings/Settings.h"

namespace sandloop {

class TForm1 : public TForm {
 public:
  // `clock` is the local time the scene reads (the computer's by default).
  explicit TForm1(TApplication& app, const LocalClock& clock = SystemClock());
  ~TForm1() override;

  // Components, in the order they are made and released in reverse.
  TDDErrorLog DDErrorLog1{this};
  TSetReg SetReg1{this};
  TDDmain DDmain1{this};

  // The working copy of the settings, named after the stored values.
  SettingsRecord Settings;

  // Builds and starts the scene. Exceptions go to the application's
  // exception event, which is AppException from the first step on.
  void FormCreate();
  void DrawFrame(bool& done);
  void DDmain1Error(TComponent* sender);
  void AppException(TComponent* sender, const std::exception& e);
  void FinishSaver();
  void CloseScene();

  void FormKeyPress(char& key) override;
  void FormKeyDown(int& key, unsigned shift) override;

  // True once the saver has finished; later input is ignored.
  [[nodiscard]] bool Finished() const { return finished_; }

 private:
  std::string Now() const;

  const LocalClock& clock_;
  bool finished_ = false;
};

}  // namespace sandloop
