#pragma once
// Configuration mode on Qt: shows "Tidewalk Beach Setup" until it closes.
#include <string>

#include "settings/MessageSink.h"

namespace sandloop::dialog {

// Makes the Qt application (titled `title`), creates the dialog's model
// with its messages in message boxes, shows the window centred and runs
// until it closes. An error while the model is created is shown in a
// message box and the dialog does not open. Without a display it says so
// and returns.
void RunConfigurationDialog(const std::string& title);

// Messages as modal Qt message boxes with an OK button.
MessageSink QtMessageSink();

}  // namespace sandloop::dialog
