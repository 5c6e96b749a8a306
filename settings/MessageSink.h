#pragma once
// Where the settings' messages go. The configuration dialog shows them in
// message boxes; the hidden dialog of run mode writes them to the run's
// log instead, since a modal box in front of a full-screen saver would hold
// the scene behind a window nobody can see.
#include <cstdint>
#include <functional>
#include <string>

namespace sandloop {

class TDDErrorLog;

using MessageSink = std::function<void(const std::string& text, const std::string& caption)>;

// Message boxes of the display layer, owned by `owner` (its HWND). The
// header names no display type, so that a view that includes the system's
// own headers can use the sink too.
MessageSink MessageBoxSink(std::uintptr_t owner);

// Lines "caption: text" in `log`, which must outlive the sink.
MessageSink LogSink(TDDErrorLog& log);

}  // namespace sandloop
