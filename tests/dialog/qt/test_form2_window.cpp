// The Qt view's wiring, on the offscreen platform: the user's actions reach
// the model, and the model's state shows in the controls.
#include "settings/dialog/qt/Form2Window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "kit/ddraw/headless/HeadlessBackend.h"
#include "settings/Unit2.h"
#include "settings/dialog/qt/ClockPage.h"
#include "settings/dialog/qt/DisplayPage.h"
#include "settings/dialog/qt/SettingsPage.h"
#include "settings/dialog/qt/TimeOfDayPage.h"
#include "tests/settings/TempStore.h"

namespace sandloop::dialog {
namespace {

// A click on a check box's or radio button's own mark (the widget may be
// wider than its text, and a click beside the text does nothing).
void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2)); }

class Form2WindowTest : public ::testing::Test {
 protected:
  Form2WindowTest() : hb(display::CreateHeadlessBackend()), clock(Midsummer()) {
    hb->SetDesktopMode({1280, 1024, 32});
    display::SetBackend(hb);
    auto made = std::make_unique<TForm2>(nullptr, [this](const std::string& text, const std::string&) {
      messages.push_back(text);
    }, clock);
    made->SetReg1.SetStorePath(dir.StorePath());
    form = made.get();
    model = Form2Model::Create(std::move(made));
    view = std::make_unique<Form2Window>(*model);
    view->show();
    view->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
  }
  ~Form2WindowTest() override {
    view.reset();
    display::SetBackend(nullptr);
  }
  static LocalTime Midsummer() {
    LocalTime t;
    t.year = 2004;
    t.month = 6;
    t.day = 21;
    return t;
  }

  test::TempDir dir;
  std::shared_ptr<display::HeadlessBackend> hb;
  FixedClock clock;
  std::vector<std::string> messages;
  TForm2* form = nullptr;  // the model's state, for the checks
  std::unique_ptr<Form2Model> model;
  std::unique_ptr<Form2Window> view;
};

// Every caption, label and note of the window, as the user reads it.
// The view takes them from the table of texts, so the table must hold
// them as designed, and the view must show each entry of it once.
TEST_F(Form2WindowTest, EveryCaptionLabelAndNoteReadsAsDesigned) {
  enum Kind { kLabel, kGroup, kButton, kTab };
  struct Text {
    Kind kind;
    const char* text;
  };
  const Text texts[] = {
      {kLabel, "Tidewalk Beach Screensaver"}, {kLabel, "version 1.0"}, {kLabel, "e-mail:"},
      {kLabel, "Sandloop README"}, {kLabel, "write about Sandloop"},
      {kTab, "Settings"}, {kTab, "Display"}, {kTab, "Time of Day"}, {kTab, "Clock"},
      {kButton, "Default Setting"}, {kButton, "OK"}, {kButton, "Cancel"},
      // Settings
      {kGroup, "Sound"}, {kButton, "Play Sound"}, {kGroup, "Frame rate"}, {kButton, "Show FPS"},
      {kGroup, "Terminate"}, {kButton, "Keybord and Mouse"}, {kButton, "Keybord only (ESC key)"},
      {kGroup, "Speed setting"}, {kButton, "Slow"}, {kButton, "Normal"}, {kButton, "Fast"},
      {kGroup, "Objects"}, {kLabel, "Number of Birds:"}, {kButton, "Show Birds"}, {kButton, "Show Butterfly"},
      // Display
      {kGroup, "Video mode"}, {kButton, "800x600"}, {kButton, "1024x768"}, {kButton, "1152x864"},
      {kButton, "1280x1024"}, {kButton, "Use desktop settings"},
      {kGroup, "Color depth"}, {kButton, "16-bit color"}, {kButton, "24-bit color"}, {kButton, "32-bit color"},
      {kGroup, "Gamma settings"}, {kLabel, "Darken"}, {kLabel, "Lighten"},
      {kLabel,
       "You may setting Gamma level when screensaver \n"
       "is running. \n"
       "\"+\" key - make lighten\n"
       "\"-\" key - make darken\n"
       "\n"
       "note: this option available only if you choose \n"
       "\"Keyboard only (ESC key)\"  terminate \n"
       "screensaver mode (see Setting tab)."},
      // Time of Day
      {kGroup, "Setting"}, {kButton, "Off"}, {kButton, "Demo mode (fast cycle)"}, {kButton, "Real time of day"},
      {kGroup, "Surise/Sunset"}, {kLabel, "Choose your City:"}, {kButton, "Daylight Saving Time"},
      {kLabel, "Apparent Sunrise:"}, {kLabel, "Apparent Sunset:"},
      {kLabel,
       "Note: when you select a location from the \n"
       "City pulldown menu Pelarin Screensaver \n"
       "will show the real time of day for your \n"
       "location (for current day).\n"},
      {kButton, "Show simulate time, when"}, {kLabel, "running in Demo mode."},
      {kButton, "Show string Surise/Sunset"},
      // Clock
      {kGroup, "Clock settings"}, {kButton, "Show clock"}, {kGroup, "Color clock"}, {kButton, "Set color"},
      {kGroup, "Screen position"}, {kLabel, "X center"}, {kLabel, "Ycenter"}, {kGroup, "Size"},
      {kLabel, "Radius of clock:"},
      {kLabel,
       "Use cursor key to set position clock when screensaver is running. \n"
       "note: this option available only if you choose \"Keyboard only (ESC key)\"  terminate \n"
       "screensaver mode (see Setting tab).\n"},
  };
  std::vector<QString> shown[4];
  // A link shows its text as rich text; its accessible name is the text.
  for (const QLabel* l : view->findChildren<QLabel*>())
    shown[kLabel].push_back(l->textFormat() == Qt::RichText ? l->accessibleName() : l->text());
  for (const QGroupBox* g : view->findChildren<QGroupBox*>()) shown[kGroup].push_back(g->title());
  for (const QAbstractButton* b : view->findChildren<QAbstractButton*>()) shown[kButton].push_back(b->text());
  for (int i = 0; i < view->PageControl1->count(); ++i) shown[kTab].push_back(view->PageControl1->tabText(i));
  EXPECT_EQ(view->windowTitle(), "Tidewalk Beach Setup");
  EXPECT_EQ(view->windowTitle(), dialog::Text(form2_text::Form2));
  const auto kind_of = [](form2_text::Kind k) {
    switch (k) {
      case form2_text::Kind::Tab: return kTab;
      case form2_text::Kind::Group: return kGroup;
      case form2_text::Kind::Button: return kButton;
      default: return kLabel;
    }
  };
  for (const Text& t : texts) {
    const auto in_table = std::count_if(std::begin(form2_text::kAll), std::end(form2_text::kAll), [&](const auto& e) {
      return e.kind != form2_text::Kind::Title && kind_of(e.kind) == t.kind && e.text == t.text;
    });
    EXPECT_EQ(in_table, 1) << "\"" << t.text << "\" in the table";
  }
  for (const form2_text::Entry& e : form2_text::kAll) {
    if (e.kind == form2_text::Kind::Title) continue;
    const auto& all = shown[kind_of(e.kind)];
    EXPECT_EQ(std::count(all.begin(), all.end(), dialog::Text(e.text)), 1) << "\"" << e.text << "\"";
  }
  // The pages in their order, "Settings" first.
  EXPECT_EQ(shown[kTab], (std::vector<QString>{"Settings", "Display", "Time of Day", "Clock"}));
  EXPECT_EQ(view->PageControl1->currentIndex(), 0);
}

TEST_F(Form2WindowTest, ClicksReachTheModel) {
  SettingsPage* page = view->TabSheet1;
  ASSERT_TRUE(page->CheckBox1PlaySound->isChecked());
  Click(page->CheckBox1PlaySound);
  EXPECT_FALSE(form->Settings.flag_PlaySound);
  Click(page->RadioButton5Fast);
  EXPECT_EQ(form->Settings.SetSpeed, 2);
  page->RxSpinEdit1->setValue(2);
  EXPECT_EQ(form->Settings.NumEagles, 2);

  view->PageControl1->setCurrentIndex(1);
  DisplayPage* display = view->TabSheet2;
  Click(display->VideoMode[1]);
  EXPECT_EQ(form->Settings.ResHor, 1024);
  EXPECT_FALSE(form->Settings.flag_defres);
  // The release over the button put the clock at its default place, and
  // the clock page shows it.
  EXPECT_EQ(view->TabSheet4->Edit1X->text(), "934");
  EXPECT_TRUE(display->Depth[2]->isEnabled());
  display->TrackBar1->setValue(100);
  EXPECT_EQ(form->Settings.Gamma, 100);
}

TEST_F(Form2WindowTest, TheModelsStateShowsInTheControls) {
  form->ComboBox1Change(2015);  // LONDON GB
  form->CheckBox3Showclock.SetChecked(false);
  view->Refresh();
  TimeOfDayPage* page = view->TabSheet3;
  EXPECT_EQ(page->ComboBox1->count(), 3937);
  EXPECT_EQ(page->ComboBox1->itemText(0), "AACHEN GE");
  EXPECT_EQ(page->ComboBox1->itemText(3936), "ZWOLLE NE");
  EXPECT_EQ(page->ComboBox1->currentText(), "LONDON GB");
  EXPECT_EQ(page->LabelSunrise->text(), "3:42AM");
  EXPECT_EQ(page->LabelSunset->text(), "8:20PM");
  view->PageControl1->setCurrentIndex(2);
  Click(page->CheckBox4);
  EXPECT_EQ(page->LabelSunrise->text(), "4:42AM");
  EXPECT_FALSE(view->TabSheet4->Edit1X->isEnabled());
  EXPECT_FALSE(view->TabSheet4->Button1->isEnabled());

  QTest::mouseClick(view->Button1Default, Qt::LeftButton);
  EXPECT_EQ(page->ComboBox1->currentText(), "AACHEN GE");
  EXPECT_TRUE(view->TabSheet4->Edit1X->isEnabled());
  EXPECT_TRUE(view->TabSheet2->VideoMode[kDesktopButton]->isChecked());
  EXPECT_FALSE(view->TabSheet2->Depth[0]->isEnabled());
}

TEST_F(Form2WindowTest, ClockEditsTakeDigitsAndLimitWhenLeft) {
  view->PageControl1->setCurrentIndex(3);
  ClockPage* page = view->TabSheet4;
  page->Edit1X->setFocus();
  page->Edit1X->selectAll();
  QTest::keyClicks(page->Edit1X, "5x0-0");
  QTest::keyClick(page->Edit1X, Qt::Key_Backspace);  // discarded too
  EXPECT_EQ(page->Edit1X->text(), "500");
  QTest::keyClick(page->Edit1X, Qt::Key_Tab);
  EXPECT_EQ(form->Settings.clockX, 500);
  page->Edit1X->setFocus();
  page->Edit1X->selectAll();
  QTest::keyClicks(page->Edit1X, "9999");
  QTest::keyClick(page->Edit1X, Qt::Key_Tab);
  EXPECT_EQ(page->Edit1X->text(), "1190");
}

TEST_F(Form2WindowTest, EscAndEnterDoNothingAndTheCloseBoxStoresNothing) {
  const std::string before = test::ReadFile(dir.StorePath());
  Click(view->TabSheet1->CheckBox2ShowFPS);
  QTest::keyClick(view.get(), Qt::Key_Escape);
  QTest::keyClick(view.get(), Qt::Key_Return);
  EXPECT_TRUE(view->isVisible());
  EXPECT_FALSE(form->Closed());
  view->close();
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(test::ReadFile(dir.StorePath()), before);
}

TEST_F(Form2WindowTest, OKStoresAndCloses) {
  Click(view->TabSheet1->CheckBox2ShowFPS);
  QTest::mouseClick(view->Button1OK, Qt::LeftButton);
  EXPECT_TRUE(form->Closed());
  EXPECT_FALSE(view->isVisible());
  EXPECT_NE(test::ReadFile(dir.StorePath()).find("\"flag_fps\"=dword:00000001"), std::string::npos);
}

TEST_F(Form2WindowTest, CtrlTabAndCtrlPageDownSwitchPages) {
  view->TabSheet1->CheckBox1->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(view->PageControl1->currentIndex(), 1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(view->PageControl1->currentIndex(), 2);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(view->PageControl1->currentIndex(), 1);
}

// Tab visits the header's links, the page and the buttons in reading order.
TEST_F(Form2WindowTest, TabGoesInReadingOrder) {
  const auto order = [&](int page) {
    view->PageControl1->setCurrentIndex(page);
    QApplication::processEvents();
    std::vector<QWidget*> seen;
    view->Label3->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 40 && QApplication::focusWidget(); ++i) {
      QWidget* w = QApplication::focusWidget();
      // A link label takes one Tab to focus its link before passing on.
      if (seen.empty() || w != seen.back()) {
        if (seen.size() > 1 && w == seen.front()) break;
        seen.push_back(w);
      }
      QTest::keyClick(w, Qt::Key_Tab);
    }
    return seen;
  };
  const auto index_of = [](const std::vector<QWidget*>& seen, QWidget* w) {
    const auto it = std::find(seen.begin(), seen.end(), w);
    return it == seen.end() ? -1 : static_cast<int>(it - seen.begin());
  };
  const auto expect_order = [&](const std::vector<QWidget*>& seen, const std::vector<QWidget*>& wanted) {
    int last = -1;
    for (QWidget* w : wanted) {
      const int at = index_of(seen, w);
      EXPECT_GT(at, last) << w->metaObject()->className() << " " << w->accessibleName().toStdString();
      last = at;
    }
  };
  SettingsPage* s = view->TabSheet1;
  expect_order(order(0), {view->Label3, view->Label5, s->CheckBox1PlaySound, s->CheckBox2ShowFPS,
                          s->RadioButton3KeyMouse, s->RadioButton2Normal, s->RxSpinEdit1, s->CheckBox1, s->CheckBox2,
                          view->Button1Default, view->Button1OK, view->Button1Cancel});
  TimeOfDayPage* t = view->TabSheet3;
  expect_order(order(2), {t->RadioButton2, t->CheckBox3, t->CheckBox5, t->ComboBox1, t->CheckBox4, view->Button1Default});
  ClockPage* c = view->TabSheet4;
  expect_order(order(3), {c->CheckBox3Showclock, c->Button1, c->Edit1X, c->EditY, c->Edit3R, view->Button1Default});
}

// Fixed size, and on every page every text has at least the room it asks for.
TEST_F(Form2WindowTest, FixedSizeAndNoTextCutOff) {
  EXPECT_EQ(view->minimumSize(), view->maximumSize());
  EXPECT_GE(view->width(), 457);
  EXPECT_GE(view->height(), 381);
  for (int page = 0; page < view->PageControl1->count(); ++page) {
    view->PageControl1->setCurrentIndex(page);
    QApplication::processEvents();
    for (QWidget* w : view->findChildren<QWidget*>()) {
      if (!w->isVisible()) continue;
      if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w)) continue;
      const auto* label = qobject_cast<QLabel*>(w);
      const bool wraps = label != nullptr && label->wordWrap();
      // A wrapping label needs its text's height at the width it has.
      const QSize need = wraps ? QSize(0, w->heightForWidth(w->width())) : w->minimumSizeHint();
      const QString what = QString("%1 \"%2\" page %3")
                               .arg(w->metaObject()->className(),
                                    label ? label->text().left(20) : qobject_cast<QAbstractButton*>(w)->text())
                               .arg(page);
      EXPECT_GE(w->width(), need.width()) << what.toStdString();
      EXPECT_GE(w->height(), need.height()) << what.toStdString();
    }
  }
}

}  // namespace
}  // namespace sandloop::dialog

int main(int argc, char** argv) {
  // Offscreen unless told otherwise, also when the test list is read.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
