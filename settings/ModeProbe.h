#pragma once
// What the configuration dialog knows of the display: which of the twelve
// candidate modes the driver lists, whether the primary surface has a
// gamma ramp, and the rules by which the mode buttons are enabled and
// change the working settings. Plain functions over the working copy and
// the table, so that the dialog only wires its widgets to them.
#include <array>
#include <cstdint>

#include "kit/ddraw/ddraw.h"
#include "settings/MessageSink.h"
#include "settings/Settings.h"

namespace sandloop {

struct ModeEntry {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bits = 0;
  bool available = false;  // the driver listed exactly this mode
};

// Entry s * 3 + d: size s of kModeSizes, depth d of kModeDepths.
using TModeTable = std::array<ModeEntry, 12>;

struct ModeSize {
  int width, height;
};
constexpr std::array<ModeSize, 4> kModeSizes = {{{800, 600}, {1024, 768}, {1152, 864}, {1280, 1024}}};
constexpr std::array<int, 3> kModeDepths = {16, 24, 32};

// The twelve entries, all unavailable.
TModeTable BuildModeTable();

// Builds the table and marks every mode the display driver lists. When
// DirectDraw cannot be created, "DirectDraw Init FAILED" is shown (owner
// `owner`, caption "Screen saver"), every entry stays unavailable and the
// result is false.
bool ProbeDisplayModes(TModeTable& ModeTable, HWND owner);
// The same, the message going to `report`.
bool ProbeDisplayModes(TModeTable& ModeTable, const MessageSink& report);

// GammaAvailable = the driver's capabilities have DDCAPS2_PRIMARYGAMMA.
// When DirectDraw cannot be created the message above is shown, the result
// is false and so is GammaAvailable.
bool ProbeGammaSupport(bool& GammaAvailable, HWND owner);
bool ProbeGammaSupport(bool& GammaAvailable, const MessageSink& report);

// The `available` flag of the entry with exactly these values (false for a
// mode outside the table).
bool ModeAvailable(const TModeTable& ModeTable, int width, int height, int bits);

// Index into kModeSizes of a width, or -1 for any other width.
int SizeIndexForWidth(int width);

// Enabled state of the four size buttons ("800x600" ... "1280x1024") and
// the three depth buttons ("16-bit color", "24-bit color", "32-bit color").
// "Use desktop settings" is never disabled.
struct ModeButtons {
  std::array<bool, 4> size_enabled{true, true, true, true};
  std::array<bool, 3> depth_enabled{true, true, true};
};

// A size whose 16-bit entry is missing is disabled for good (never enabled
// again); each depth button follows that depth's 800 x 600 entry.
void UpdateModeButtons(const TModeTable& ModeTable, ModeButtons& buttons);

// Selection steps, run when a button becomes selected by the user or by
// the dialog itself.
void SelectSizeButton(SettingsRecord& s, int size_index, const TModeTable& ModeTable,
                      ModeButtons& buttons);
void SelectDesktopButton(SettingsRecord& s, ModeButtons& buttons);
void SelectDepthButton(SettingsRecord& s, int depth_index);

// A mouse button released over size button `button` (0 to 3) or over "Use
// desktop settings" (kDesktopButton): when that button is enabled, the
// clock goes to its default place for the current width (radius 70,
// centre ResHor - 90, 90). Returns whether it moved, so the dialog knows to
// refresh the three clock edits.
constexpr int kDesktopButton = 4;
bool ModeButtonMouseUp(SettingsRecord& s, const ModeButtons& buttons, int button);

}  // namespace sandloop
