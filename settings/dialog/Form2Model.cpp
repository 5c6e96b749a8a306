#include "settings/dialog/Form2Model.h"

#include "settings/Unit2.h"
#include "sun/SunTime.h"

namespace sandloop::dialog {

namespace {

TCheckBoxState& Box(TForm2& f, Check box) {
  switch (box) {
    case Check::PlaySound: return f.CheckBox1PlaySound;
    case Check::ShowFps: return f.CheckBox2ShowFPS;
    case Check::ShowBirds: return f.CheckBox1;
    case Check::ShowButterfly: return f.CheckBox2;
    case Check::Daylight: return f.CheckBox4;
    case Check::ShowSimulated: return f.CheckBox3;
    case Check::ShowSunLine: return f.CheckBox5;
    case Check::ShowClock: break;
  }
  return f.CheckBox3Showclock;
}

TRadioGroupState& Group(TForm2& f, Choice group) {
  switch (group) {
    case Choice::Terminate: return f.RadioGroup1;
    case Choice::Speed: return f.SpeedGroup;
    case Choice::VideoMode: return f.RadioGroup3;
    case Choice::Depth: return f.DepthGroup;
    case Choice::TimeOfDay: break;
  }
  return f.TimeOfDayGroup;
}

TRangeState& RangeOf(TForm2& f, Range range) { return range == Range::Birds ? f.RxSpinEdit1 : f.TrackBar1; }

std::string& Edit(TForm2& f, ClockField edit) {
  switch (edit) {
    case ClockField::X: return f.Edit1X;
    case ClockField::Y: return f.EditY;
    case ClockField::Radius: break;
  }
  return f.Edit3R;
}

}  // namespace

std::unique_ptr<Form2Model> Form2Model::Create(MessageSink messages, const std::string& product) {
  auto form = std::make_unique<TForm2>(nullptr, std::move(messages));
  if (!product.empty()) form->SetReg1.SetProductName(product);
  return Create(std::move(form));
}

std::unique_ptr<Form2Model> Form2Model::Create(std::unique_ptr<TForm2> form) {
  form->FormCreate();
  return std::unique_ptr<Form2Model>(new Form2Model(std::move(form)));
}

Form2Model::Form2Model(std::unique_ptr<TForm2> form) : form_(std::move(form)) {}
Form2Model::~Form2Model() = default;

bool Form2Model::Checked(Check box) const { return Box(*form_, box).Checked(); }
void Form2Model::SetChecked(Check box, bool on) { Box(*form_, box).SetChecked(on); }
int Form2Model::Selected(Choice group) const { return Group(*form_, group).ItemIndex(); }
void Form2Model::Select(Choice group, int index) { Group(*form_, group).Select(index); }
int Form2Model::Position(Range range) const { return RangeOf(*form_, range).Position(); }
int Form2Model::Min(Range range) const { return RangeOf(*form_, range).Min(); }
int Form2Model::Max(Range range) const { return RangeOf(*form_, range).Max(); }
void Form2Model::SetPosition(Range range, int value) { RangeOf(*form_, range).SetPosition(value); }

bool Form2Model::SizeEnabled(int button) const {
  return button == kDesktopButton ||
         (button >= 0 && button < 4 && form_->Buttons.size_enabled[static_cast<std::size_t>(button)]);
}
bool Form2Model::DepthEnabled(int button) const {
  return button >= 0 && button < 3 && form_->Buttons.depth_enabled[static_cast<std::size_t>(button)];
}
bool Form2Model::GammaEnabled() const { return form_->TrackBar1.Enabled; }
bool Form2Model::GammaLabelsInactive() const { return form_->GammaLabelsInactive; }
void Form2Model::ModeButtonMouseUp(int button) { form_->ModeButtonMouseUp(button); }

int Form2Model::CityCount() const { return form_->Cities().Count(); }
std::string_view Form2Model::CityName(int index) const { return form_->Cities()[index].Name(); }
int Form2Model::CityIndex() const { return form_->ComboBox1ItemIndex; }
void Form2Model::CityChange(int index) { form_->ComboBox1Change(index); }
const std::string& Form2Model::Sunrise() const { return form_->LabelSunrise; }
const std::string& Form2Model::Sunset() const { return form_->LabelSunset; }

bool Form2Model::ClockControlsEnabled() const { return form_->ClockControlsEnabled; }
std::optional<std::uint32_t> Form2Model::PanelColor() const {
  if (!form_->PanelColor) return std::nullopt;
  return static_cast<std::uint32_t>(*form_->PanelColor);
}
const std::string& Form2Model::EditText(ClockField edit) const { return Edit(*form_, edit); }
void Form2Model::SetEditText(ClockField edit, std::string text) { Edit(*form_, edit) = std::move(text); }
void Form2Model::EditExit(ClockField edit) {
  switch (edit) {
    case ClockField::X: form_->Edit1XExit(); break;
    case ClockField::Y: form_->EditYExit(); break;
    case ClockField::Radius: form_->Edit3RExit(); break;
  }
}
void Form2Model::EditKeyPress(char& key) { TForm2::Edit1XKeyPress(key); }
void Form2Model::ChooseColor() { form_->Button1Click(); }

void Form2Model::OpenWebLink() { form_->Label3Click(); }
void Form2Model::OpenMailLink() { form_->Label5Click(); }
void Form2Model::Default() { form_->Button1DefaultClick(); }
void Form2Model::Ok() { form_->Button1OKClick(); }
void Form2Model::Cancel() { form_->Button1CancelClick(); }
void Form2Model::Close() { form_->Close(); }
bool Form2Model::Closed() const { return form_->Closed(); }

void Form2Model::SetColorDialog(std::function<bool(std::uint32_t& color)> run) {
  if (!run) {
    form_->ExecuteColorDialog = nullptr;
    return;
  }
  form_->ExecuteColorDialog = [run = std::move(run)](COLORREF& color) {
    std::uint32_t chosen = color;
    if (!run(chosen)) return false;
    color = chosen;
    return true;
  };
}
void Form2Model::SetUrlOpener(std::function<void(const std::string& url)> open) { form_->OpenUrl = std::move(open); }
void Form2Model::SetWebAddress(std::string address) { form_->WebAddress = std::move(address); }
void Form2Model::SetOnClose(std::function<void()> closed) { form_->OnClose = std::move(closed); }

std::string Form2Model::ApplicationTitle() { return std::string(kApplicationTitle); }

}  // namespace sandloop::dialog
