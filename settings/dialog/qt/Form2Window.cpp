#include "settings/dialog/qt/Form2Window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

#include "assets/Resources.h"
#include "settings/dialog/qt/ClockPage.h"
#include "settings/dialog/qt/DisplayPage.h"
#include "settings/dialog/qt/SettingsPage.h"
#include "settings/dialog/qt/TimeOfDayPage.h"

namespace sandloop::dialog {

namespace {

QLabel* LinkLabel(const QString& text) {
  auto* label = new QLabel(QStringLiteral("<a href=\"#\" style=\"color:#000080; text-decoration:underline;\">%1</a>")
                               .arg(text.toHtmlEscaped()));
  label->setTextFormat(Qt::RichText);
  // Reachable with Tab and opened with Enter or a click.
  label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  label->setCursor(Qt::PointingHandCursor);
  label->setAccessibleName(text);
  return label;
}

QPushButton* Button(const QString& text) {
  auto* b = new QPushButton(text);
  b->setAutoDefault(false);
  b->setDefault(false);
  b->setCursor(Qt::PointingHandCursor);
  return b;
}

}  // namespace

Form2Window::Form2Window(Form2Model& model, QWidget* parent) : QDialog(parent), model_(model) {
  setWindowTitle(Text(form2_text::Form2));
  const RunAction run = [this](const Action& a) { Run(a); };

  auto* header = Header();
  PageControl1 = new QTabWidget;
  TabSheet1 = new SettingsPage(model_, run);
  TabSheet2 = new DisplayPage(model_, run);
  TabSheet3 = new TimeOfDayPage(model_, run);
  TabSheet4 = new ClockPage(model_, run);
  PageControl1->addTab(TabSheet1, Text(form2_text::TabSheet1));
  PageControl1->addTab(TabSheet2, Text(form2_text::TabSheet2));
  PageControl1->addTab(TabSheet3, Text(form2_text::TabSheet3));
  PageControl1->addTab(TabSheet4, Text(form2_text::TabSheet4));
  PageControl1->setCurrentIndex(0);

  Button1Default = Button(Text(form2_text::Button1Default));
  Button1OK = Button(Text(form2_text::Button1OK));
  Button1Cancel = Button(Text(form2_text::Button1Cancel));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1Default);
  buttons->addStretch();
  buttons->addWidget(Button1OK);
  buttons->addWidget(Button1Cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(header);
  layout->addWidget(PageControl1);
  layout->addLayout(buttons);
  // The window takes exactly the size its contents need and cannot be
  // resized.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

  connect(Button1Default, &QPushButton::clicked, this, [this] { Run([&] { model_.Default(); }); });
  connect(Button1OK, &QPushButton::clicked, this, [this] { Run([&] { model_.Ok(); }); });
  connect(Button1Cancel, &QPushButton::clicked, this, [this] { Run([&] { model_.Cancel(); }); });
  connect(Label3, &QLabel::linkActivated, this, [this] { Run([&] { model_.OpenWebLink(); }); });
  connect(Label5, &QLabel::linkActivated, this, [this] { Run([&] { model_.OpenMailLink(); }); });

  const auto pages = [this](int step) {
    PageControl1->setCurrentIndex((PageControl1->currentIndex() + step + PageControl1->count()) % PageControl1->count());
  };
  for (const auto& key : {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)})
    connect(new QShortcut(key, this), &QShortcut::activated, this, [pages] { pages(1); });
  for (const auto& key : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)})
    connect(new QShortcut(key, this), &QShortcut::activated, this, [pages] { pages(-1); });

  model_.SetOnClose([this] { close(); });
  Refresh();
}

QWidget* Form2Window::Header() {
  auto* picture = new QLabel;
  if (const auto bytes = assets::FindResource("DIALOGHEADER")) {
    QImage image;
    image.loadFromData(bytes->data(), static_cast<int>(bytes->size()), "BMP");
    picture->setPixmap(QPixmap::fromImage(image));
  }
  picture->setFixedSize(154, 116);
  picture->setAccessibleName("Tidewalk Beach");

  auto* title = new QLabel(Text(form2_text::LabelTitle));
  QFont big = title->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 13.0 / 11.0);
  title->setFont(big);
  auto* version = new QLabel(Text(form2_text::LabelVersion));
  Label3 = LinkLabel(Text(form2_text::Label3));
  auto* mail = new QLabel(Text(form2_text::LabelMail));
  Label5 = LinkLabel(Text(form2_text::Label5));
  mail->setBuddy(Label5);
  auto* mailRow = new QHBoxLayout;
  mailRow->addWidget(mail);
  mailRow->addWidget(Label5);
  mailRow->addStretch();
  auto* notice = new QLabel(Text(form2_text::LabelNotice));

  auto* text = new QVBoxLayout;
  text->setSpacing(3);
  text->addWidget(title);
  text->addWidget(version);
  text->addSpacing(4);
  text->addWidget(Label3);
  text->addLayout(mailRow);
  text->addStretch();
  text->addWidget(notice);
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(picture, 0, Qt::AlignTop);
  row->addSpacing(8);
  row->addLayout(text, 1);
  auto* header = new QWidget;
  header->setLayout(row);
  return header;
}

void Form2Window::Refresh() {
  TabSheet1->Refresh();
  TabSheet2->Refresh();
  TabSheet3->Refresh();
  TabSheet4->Refresh();
}

void Form2Window::Run(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    QMessageBox::critical(this, QString::fromStdString(Form2Model::ApplicationTitle()), QString::fromStdString(e.what()));
  }
  if (isVisible() || !model_.Closed()) Refresh();
}

void Form2Window::keyPressEvent(QKeyEvent* event) {
  // Esc does not close the dialog; Enter clicks nothing.
  if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void Form2Window::closeEvent(QCloseEvent* event) {
  // The close box stores nothing, like "Cancel".
  if (!model_.Closed()) model_.Close();
  QDialog::closeEvent(event);
}

}  // namespace sandloop::dialog
