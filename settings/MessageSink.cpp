#include "settings/MessageSink.h"

#include "diag/DDErrorLog.h"
#include "kit/ddraw/platform.h"

namespace sandloop {

MessageSink MessageBoxSink(HWND owner) {
  return [owner](const std::string& text, const std::string& caption) { MessageBoxA(owner, text, caption, MB_OK); };
}

MessageSink LogSink(TDDErrorLog& log) {
  return [&log](const std::string& text, const std::string& caption) { log.WriteToLog(caption, text); };
}

}  // namespace sandloop
