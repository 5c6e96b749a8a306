// The settings file as a document: reading drives the stages in turn —
// lines (RegFileLines: bytes to text to numbered lines), keys (RegFileKeys:
// what a line is, its key path or value name), values (RegFileValues: the
// data after "="), salvage (RegFileSalvage: what becomes of a line that
// cannot be read) — and keeps every line it reads as it was, so that
// writing changes only the values that were set.
#include "settings/RegFile.h"

#include "settings/RegFileKeys.h"
#include "settings/RegFileLines.h"
#include "settings/RegFileSalvage.h"
#include "settings/RegFileText.h"
#include "settings/RegFileValues.h"

namespace sandloop {

using regfile::SameName;
using regfile::TrimRight;

namespace {

// Whether the last line held in `raw` is blank.
bool LastLineBlank(std::string_view raw) {
  std::string_view t = raw;
  if (!t.empty() && t.back() == '\n') t.remove_suffix(1);
  std::size_t nl = t.rfind('\n');
  if (nl != std::string_view::npos) t = t.substr(nl + 1);
  return TrimRight(t).empty();
}

}  // namespace

RegDocument::RegDocument() {
  Item header;
  header.raw = std::string(regfile::kHeader) + "\n";
  items_.push_back(std::move(header));
}

std::optional<RegDocument> RegDocument::Parse(std::string_view bytes, RegParseError* error) {
  return Read(bytes, error, nullptr);
}

RegDocument RegDocument::Salvage(std::string_view bytes, std::vector<RegLostLine>* lost) {
  std::vector<RegLostLine> own;
  std::optional<RegDocument> doc = Read(bytes, nullptr, lost ? lost : &own);
  return doc ? std::move(*doc) : RegDocument();
}

std::uint32_t RegDocument::SectionIndex(std::string_view path) {
  for (std::size_t i = sections_.size(); i-- > 0;)
    if (sections_[i] == path) return static_cast<std::uint32_t>(i);
  sections_.emplace_back(path);
  return static_cast<std::uint32_t>(sections_.size() - 1);
}

// The one reader behind Parse (lost == nullptr: the first fault ends it)
// and Salvage (faulty lines are listed in `lost` and left out).
std::optional<RegDocument> RegDocument::Read(std::string_view bytes, RegParseError* error,
                                             std::vector<RegLostLine>* lost) {
  using namespace regfile;
  Faults faults(error, lost);
  RegDocument doc;

  const DecodedText decoded = DecodeText(bytes);
  doc.encoding_ = decoded.encoding;
  if (decoded.odd_length && !faults.Record(0, "UTF-16 text of odd length")) return std::nullopt;

  LineReader lines(decoded.Text());
  Line line;
  if (!lines.Next(&line)) {
    if (!faults.Record(1, "the file is empty")) return std::nullopt;
    return doc;
  }
  doc.eol_ = std::string(LineEndOf(line));
  bool have_line = true;  // `line` still waits to be handled
  if (IsHeader(line)) {
    doc.items_[0].raw = std::string(line.full);
    if (!line.Ended()) doc.items_[0].raw += doc.eol_;
    have_line = false;
  } else {
    if (!faults.Record(1, "the first line is not \"" + std::string(kHeader) + "\"")) return std::nullopt;
    // Salvaging: the header is written anew and the line is read like any other.
    doc.items_[0].raw = std::string(kHeader) + doc.eol_;
  }

  CurrentKey key;
  while (have_line || lines.Next(&line)) {
    have_line = false;
    if (line.HasZero()) {
      if (!faults.Record(line.number, "zero character in the text", key.Path())) return std::nullopt;
      continue;
    }
    const std::string_view body = TrimLeft(line.text);
    switch (KindOf(body)) {
      case LineKind::Filler:
        // Runs of blank and comment lines make one item.
        if (doc.items_.size() > 1 && doc.items_.back().kind == Kind::Raw)
          doc.items_.back().raw += line.full;
        else
          doc.items_.push_back(Item{Kind::Raw, false, false, 0, std::string(line.full), {}, {}});
        continue;
      case LineKind::Key: {
        const std::string_view path = ReadKeyPath(body);
        if (path.empty()) {
          key.Lose();
          if (!faults.Record(line.number, "unterminated key name")) return std::nullopt;
          continue;
        }
        key.Open(path);
        doc.items_.push_back(Item{Kind::Section, false, false, doc.SectionIndex(path), std::string(line.full), {}, {}});
        continue;
      }
      case LineKind::Other:
        if (!faults.LeaveOut(&line, lines, "a line that is neither a key, a value nor a comment", key.Path(), nullptr))
          return std::nullopt;
        continue;
      case LineKind::Value:
        break;
    }

    ValueHead head = ReadValueHead(body);
    const std::string* name = head.named ? &head.name : nullptr;
    std::string why = !head.named ? head.error : !key.IsOpen() ? std::string(key.Orphaned()) : head.error;
    if (!why.empty()) {
      if (!faults.LeaveOut(&line, lines, std::move(why), key.Path(), name)) return std::nullopt;
      continue;
    }
    const Line first = line;
    ValueData data = ReadValueData(head.data, first, lines);
    line = data.last;
    if (!data.error.empty()) {
      if (!faults.LeaveOut(&line, lines, std::move(data.error), key.Path(), name)) return std::nullopt;
      continue;
    }
    Item item;
    item.kind = Kind::Value;
    item.is_default = head.is_default;
    item.removed = data.removed;
    item.section = doc.SectionIndex(key.Path());
    item.raw = std::string(LinesFrom(first, line));
    item.name = std::move(head.name);
    item.value = std::move(data.value);
    doc.items_.push_back(std::move(item));
  }
  return doc;
}

std::string RegDocument::Serialize() const {
  std::string out;
  for (const Item& item : items_) {
    if (!item.raw.empty())
      out += item.raw;
    else if (item.kind == Kind::Value)
      out += regfile::FormatValueLine(item.is_default, item.name, item.removed, item.value, eol_);
  }
  return regfile::EncodeText(std::move(out), encoding_);
}

bool RegDocument::HasKey(std::string_view path) const {
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    if (!SameName(sections_[i], path)) continue;
    for (const Item& item : items_)
      if (item.kind == Kind::Section && item.section == i) return true;
  }
  return false;
}

std::optional<RegValue> RegDocument::Get(std::string_view path, std::string_view name) const {
  std::vector<bool> match(sections_.size());
  for (std::size_t i = 0; i < sections_.size(); ++i) match[i] = SameName(sections_[i], path);
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (it->kind == Kind::Value && match[it->section] && it->is_default == name.empty() &&
        SameName(it->name, name)) {
      if (it->removed) return std::nullopt;
      return it->value;
    }
  }
  return std::nullopt;
}

void RegDocument::Set(std::string_view path, std::string_view name, const RegValue& value) {
  auto ensure_eol = [this](Item& item) {
    if (!item.raw.empty() && item.raw.back() != '\n') item.raw += eol_;
  };
  Item fresh;
  fresh.kind = Kind::Value;
  fresh.name = std::string(name);
  fresh.is_default = name.empty();
  fresh.value = value;

  // Replace the entry that reads win (the last one).
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (it->kind == Kind::Value && SameName(sections_[it->section], path) && SameName(it->name, name) &&
        it->is_default == name.empty()) {
      fresh.section = it->section;
      fresh.name = it->name;
      *it = std::move(fresh);
      return;
    }
  }
  // Add to the last section of the key, after its last value or comment.
  for (std::size_t s = items_.size(); s-- > 0;) {
    if (items_[s].kind != Kind::Section || !SameName(sections_[items_[s].section], path)) continue;
    fresh.section = items_[s].section;
    std::size_t after = s;
    for (std::size_t j = s + 1; j < items_.size() && items_[j].kind != Kind::Section; ++j)
      if (items_[j].kind == Kind::Value || !TrimRight(items_[j].raw).empty()) after = j;
    ensure_eol(items_[after]);
    if (items_[after].kind == Kind::Raw) {
      // A run of comments that ends in blank lines: the value goes after
      // the last comment, before the blank lines.
      std::string& raw = items_[after].raw;
      std::size_t keep = 0;  // end of the last line that is not blank
      for (std::size_t pos = 0; pos < raw.size();) {
        std::size_t nl = raw.find('\n', pos);
        std::size_t end = nl == std::string::npos ? raw.size() : nl + 1;
        if (!TrimRight(std::string_view(raw).substr(pos, end - pos)).empty()) keep = end;
        pos = end;
      }
      if (keep > 0 && keep < raw.size()) {
        Item tail{Kind::Raw, false, false, 0, raw.substr(keep), {}, {}};
        raw.resize(keep);
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(after) + 1, std::move(tail));
      }
    }
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(after) + 1, std::move(fresh));
    return;
  }
  // A new key at the end, set off by a blank line.
  if (!items_.empty()) {
    ensure_eol(items_.back());
    if (items_.back().kind != Kind::Raw || !LastLineBlank(items_.back().raw) || items_.size() == 1)
      items_.push_back(Item{Kind::Raw, false, false, 0, eol_, {}, {}});
  }
  Item section;
  section.kind = Kind::Section;
  section.section = SectionIndex(path);
  section.raw = "[" + std::string(path) + "]" + eol_;
  fresh.section = section.section;
  items_.push_back(std::move(section));
  items_.push_back(std::move(fresh));
}

}  // namespace sandloop
