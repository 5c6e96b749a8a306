#pragma once
// The settings dialog's model (TForm2) as its views see it: its controls
// by name, in plain types. Both views, Qt's (qt/) and Windows' (win32/),
// show the model and forward the user's actions through this class only.
// The model's own headers declare the display layer's types (HWND, DWORD,
// ...) that the system's headers declare too, so a view's code, which
// needs the system's, reaches the model only through this header.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "settings/MessageSink.h"

namespace sandloop {
class TForm2;
}

namespace sandloop::dialog {

enum class Check { PlaySound, ShowFps, ShowBirds, ShowButterfly, Daylight, ShowSimulated, ShowSunLine, ShowClock };
enum class Choice { Terminate, Speed, VideoMode, Depth, TimeOfDay };
enum class Range { Birds, Gamma };
enum class ClockField { X, Y, Radius };

class Form2Model {
 public:
  // Makes the model and runs its creation (probes, city list, settings
  // load); what that throws propagates. `product` names another key than
  // the program's own (for tests).
  static std::unique_ptr<Form2Model> Create(MessageSink messages, const std::string& product = {});
  // The same over a model made by the caller (a test's, with its own clock
  // and store), which has not been created yet.
  static std::unique_ptr<Form2Model> Create(std::unique_ptr<TForm2> form);
  ~Form2Model();
  Form2Model(const Form2Model&) = delete;
  Form2Model& operator=(const Form2Model&) = delete;

  [[nodiscard]] bool Checked(Check box) const;
  void SetChecked(Check box, bool on);
  // The selected button of a group, -1 for none.
  [[nodiscard]] int Selected(Choice group) const;
  void Select(Choice group, int index);
  [[nodiscard]] int Position(Range range) const;
  [[nodiscard]] int Min(Range range) const;
  [[nodiscard]] int Max(Range range) const;
  void SetPosition(Range range, int value);

  // Page "Display": what the probes allow.
  [[nodiscard]] bool SizeEnabled(int button) const;  // 0..3; the desktop button is always enabled
  [[nodiscard]] bool DepthEnabled(int button) const;
  [[nodiscard]] bool GammaEnabled() const;
  [[nodiscard]] bool GammaLabelsInactive() const;
  void ModeButtonMouseUp(int button);
  static constexpr int kDesktopButton = 4;

  // Page "Time of Day".
  [[nodiscard]] int CityCount() const;
  [[nodiscard]] std::string_view CityName(int index) const;  // Latin-1
  [[nodiscard]] int CityIndex() const;                        // -1: typed text selects none
  void CityChange(int index);
  [[nodiscard]] const std::string& Sunrise() const;
  [[nodiscard]] const std::string& Sunset() const;

  // Page "Clock".
  [[nodiscard]] bool ClockControlsEnabled() const;
  // 0x00BBGGRR; nothing while the panel shows the menu colour.
  [[nodiscard]] std::optional<std::uint32_t> PanelColor() const;
  [[nodiscard]] const std::string& EditText(ClockField edit) const;
  void SetEditText(ClockField edit, std::string text);
  void EditExit(ClockField edit);
  // A character typed into a clock edit; set to 0 when it is discarded.
  static void EditKeyPress(char& key);
  void ChooseColor();

  // The header's links and the bottom row.
  void OpenWebLink();
  void OpenMailLink();
  void Default();
  void Ok();
  void Cancel();
  void Close();
  [[nodiscard]] bool Closed() const;

  // What the view supplies.
  void SetColorDialog(std::function<bool(std::uint32_t& color)> run);
  void SetUrlOpener(std::function<void(const std::string& url)> open);
  void SetWebAddress(std::string address);
  void SetOnClose(std::function<void()> closed);

  // The caption of the view's own error messages.
  static std::string ApplicationTitle();

 private:
  explicit Form2Model(std::unique_ptr<TForm2> form);
  std::unique_ptr<TForm2> form_;
};

}  // namespace sandloop::dialog
