#pragma once
// What each fuzz harness checks, shared with the tests that replay the
// seed corpora and every input a fuzzer once found failing. Each check
// returns an empty text when the input was handled soundly, or says what
// went wrong; crashes and undefined behaviour are the sanitizers' part.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "kit/LocalClock.h"
#include "kit/MasterRows.h"
#include "kit/Picture.h"
#include "kit/RgbaPicture.h"
#include "settings/Overrides.h"
#include "settings/RegFile.h"
#include "settings/Settings.h"
#include "shell/CommandLine.h"
#include "shell/Shell.h"
#include "sun/CityTable.h"
#include "sun/SunCommand.h"

namespace sandloop::fuzz {

// The settings file parser: what Parse accepts writes back as a file that
// reads the same, and what Salvage keeps is always a sound file.
inline std::string CheckSettingsFile(std::string_view bytes) {
  constexpr char kKey[] = "HKEY_CURRENT_USER\\SOFTWARE\\Morvant\\Sandloop";
  std::optional<RegDocument> doc = RegDocument::Parse(bytes, nullptr);
  if (doc) {
    const std::string once = doc->Serialize();
    std::optional<RegDocument> again = RegDocument::Parse(once, nullptr);
    if (!again) return "an accepted file does not read back";
    if (again->Serialize() != once) return "an accepted file changes when written again";
    doc->Set(kKey, "Gamma", RegValue::Dword(256));
    std::optional<RegDocument> changed = RegDocument::Parse(doc->Serialize(), nullptr);
    if (!changed || !changed->Get(kKey, "Gamma")) return "a value set in an accepted file does not read back";
  }
  std::vector<RegLostLine> lost;
  RegDocument salvaged = RegDocument::Salvage(bytes, &lost);
  if (doc && !lost.empty()) return "a sound file loses lines when salvaged";
  salvaged.Set(kKey, "Gamma", RegValue::Dword(256));
  if (!RegDocument::Parse(salvaged.Serialize(), nullptr)) return "a salvaged file is not sound";
  return {};
}

// The picture readers: every input ends as a picture or a PictureError,
// read as a BMP or JPEG picture, as a master, and as a master scaled while
// it is read; a master that reads whole also scales.
inline std::string CheckPicture(std::span<const std::uint8_t> bytes) {
  try {
    const Picture p = Picture::FromFile(bytes, "fuzz");
    volatile std::uint32_t sink = p.Empty() ? 0 : p.Pixel(p.Width() - 1, p.Height() - 1);
    (void)sink;
  } catch (const PictureError&) {
  }
  bool whole = false;
  try {
    const RgbaPicture m = RgbaPicture::FromMaster(bytes, "fuzz");
    whole = !m.Empty();
  } catch (const PictureError&) {
  }
  try {
    const RgbaPicture scaled = ScaleRows(*OpenPicture(bytes, "fuzz"), 3, 2);
    if (scaled.Width() != 3 || scaled.Height() != 2) return "a scaled master has the wrong size";
  } catch (const PictureError&) {
    if (whole) return "a master that reads whole does not scale";
  }
  return {};
}

// The bytes of an input as an argument vector: arguments separated by
// zero bytes.
inline std::vector<std::string> SplitArguments(std::string_view bytes) {
  std::vector<std::string> args;
  std::size_t start = 0;
  while (start <= bytes.size() && args.size() < 32) {
    std::size_t end = bytes.find('\0', start);
    if (end == std::string_view::npos) end = bytes.size();
    args.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  if (bytes.empty()) args.clear();
  return args;
}

// All of the command-line handling that needs no display: HandleCommandLine
// (terminal commands, the options of --render, the host options, --unpaced,
// -fps and --set), then what the program does next without a display: the
// frame file names of a render, the overrides applied to a record, the
// mode switch and the window handle of the preview and password-change
// modes. Neither --register (it writes the user's files), the pictures nor
// the saver's modes themselves are run.
inline std::string CheckCommandLine(const std::vector<std::string>& args) {
  FixedClock clock(LocalTime{2004, 6, 21, 1, 12, 0, 0, 0});
  std::ostringstream out, err;
  CommandLineRequest next;
  if (std::optional<int> code = HandleCommandLine(args, nullptr, out, err, clock, &next)) {
    if (*code != 0 && *code != 1 && *code != 2) return "an exit code other than 0, 1 or 2";
    if (*code != 0 && err.str().empty()) return "a failure without a message";
    return {};
  }
  if (!err.str().empty()) return "a message but no exit code";
  if (next.register_command) return {};
  if (next.render) {
    RenderOptions options;
    std::string error;
    if (!ParseRenderOptions(args, &options, &error)) return "render options accepted once, refused again";
    (void)RenderFileName(options, 0);
    (void)RenderFileName(options, options.frames - 1);
    return {};
  }
  SettingsRecord record;
  for (const SettingOverride& o : next.overrides) {
    if (o.row < 0 || o.row >= kSettingCount) return "an override of no setting";
    ApplySettingOverride(record, o);
  }
  const std::vector<std::string>& rest = next.host.rest;
  for (const std::string& a : rest)
    if (a == "--set") return "a --set pair left among the arguments";
  const RunMode mode = ParseRunMode(rest.empty() ? std::string() : rest[0]);
  if (mode == RunMode::Preview || mode == RunMode::PasswordChange) {
    try {
      (void)StrToInt(rest.size() > 1 ? rest[1] : std::string());
    } catch (const EConvertError& e) {
      if (std::string_view(e.what()).find("is not a valid integer value") == std::string_view::npos)
        return "a conversion error without its message";
    }
  }
  return {};
}

// The city-name look-up of --sun: a name is found exactly when the table
// holds it, and then the place and its sun times are shown.
inline std::string CheckCityLookup(std::string_view bytes) {
  const std::string name(bytes.substr(0, bytes.find('\0')));
  const CityTable table;
  const std::optional<int> index = table.Find(name);
  if (index && !CityTable::IsValidIndex(*index)) return "an index outside the table";
  FixedClock clock(LocalTime{2004, 6, 21, 1, 12, 0, 0, 0});
  std::ostringstream out, err;
  const int code = RunSunCommand({"--sun", name, "--date", "2004-06-21"}, out, err, clock);
  if (name.empty() || name.starts_with("--")) return code == 2 ? std::string() : "a bad name not refused";
  if (index.has_value() != (code == 0)) return "the look-up and the command disagree";
  if (code == 0 && out.str().find("Apparent Sunset:") == std::string::npos) return "no sun times shown";
  if (code != 0 && err.str().find("unknown city") == std::string::npos) return "no message for an unknown city";
  return {};
}

}  // namespace sandloop::fuzz
