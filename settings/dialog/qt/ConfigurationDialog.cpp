#include "settings/dialog/qt/ConfigurationDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/platform.h"
#include "settings/dialog/qt/Form2Window.h"

namespace sandloop::dialog {

namespace {

// The README as installed beside the program (share/doc/sandloop), or,
// for a program run from its build folder, the source tree's.
QString ReadmePath() {
  const QString installed =
      QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("../share/doc/sandloop/README.md");
  if (QFileInfo::exists(installed)) return QDir::cleanPath(installed);
  return QStringLiteral(SANDLOOP_SOURCE_README);
}

bool ChooseColor(QWidget* parent, std::uint32_t& color) {
  const QColor initial(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                       static_cast<int>((color >> 16) & 0xFF));
  const QColor chosen = QColorDialog::getColor(initial, parent);
  if (!chosen.isValid()) return false;
  color = static_cast<std::uint32_t>(chosen.red()) | (static_cast<std::uint32_t>(chosen.green()) << 8) |
          (static_cast<std::uint32_t>(chosen.blue()) << 16);
  return true;
}

}  // namespace

MessageSink QtMessageSink() {
  return [](const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
  };
}

void RunConfigurationDialog(const std::string& title) {
  // Qt ends the process when it cannot reach a display; say why instead.
  if (display::CurrentBackend() == nullptr && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    MessageBoxA(0, "the display cannot be opened, so the settings dialog cannot be shown", title, MB_OK);
    return;
  }
  int argc = 1;
  char name[] = "sandloop";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromStdString(title));
  const QString caption = QString::fromStdString(title);

  std::unique_ptr<Form2Model> model;
  try {
    model = Form2Model::Create(QtMessageSink());
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, caption, QString::fromStdString(e.what()));
    return;
  }
  Form2Window view(*model);
  model->SetWebAddress(QUrl::fromLocalFile(ReadmePath()).toString().toStdString());
  model->SetUrlOpener([](const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); });
  model->SetColorDialog([&view](std::uint32_t& color) { return ChooseColor(&view, color); });
  view.adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    view.move(screen->availableGeometry().center() - view.rect().center());
  view.exec();
}

}  // namespace sandloop::dialog
