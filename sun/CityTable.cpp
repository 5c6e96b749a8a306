#include "sun/CityTable.h"

#include <cassert>
#include <cstring>
#include <stdexcept>
#include <string>

#include "assets/Resources.h"

namespace sandloop {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

std::span<const CityRecord> RecordsOf(std::span<const std::uint8_t> bytes) {
  if (bytes.size() % sizeof(CityRecord) != 0) {
    throw std::runtime_error("city table: " + std::to_string(bytes.size()) +
                             " bytes is not a whole number of records");
  }
  if (reinterpret_cast<std::uintptr_t>(bytes.data()) % alignof(CityRecord) != 0) {
    throw std::runtime_error("city table: data is not aligned");
  }
  // The bytes are the records' storage (embedded data or a test buffer laid
  // out exactly like it), read in place without copying.
  return {reinterpret_cast<const CityRecord*>(bytes.data()), bytes.size() / sizeof(CityRecord)};
}

std::span<const std::uint8_t> BuiltinBytes() {
  const auto found = assets::FindResource("CITIES");
  if (!found) throw std::runtime_error("city table: resource CITIES is missing");
  if (found->size() != static_cast<std::size_t>(kCityCount) * sizeof(CityRecord)) {
    throw std::runtime_error("city table: resource CITIES has " + std::to_string(found->size()) +
                             " bytes, expected " + std::to_string(kCityCount * sizeof(CityRecord)));
  }
  return *found;
}

}  // namespace

std::string_view CityRecord::Name() const { return {name, strnlen(name, sizeof name)}; }

CityTable::CityTable() : records_(RecordsOf(BuiltinBytes())) {}

CityTable::CityTable(std::span<const std::uint8_t> bytes) : records_(RecordsOf(bytes)) {}

const CityRecord& CityTable::operator[](int index) const {
  assert(IsValidIndex(index, Count()));
  return records_[static_cast<std::size_t>(index)];
}

const CityRecord& CityTable::At(int index) const {
  if (!IsValidIndex(index, Count())) {
    throw std::out_of_range("city index " + std::to_string(index) + " is outside the table");
  }
  return records_[static_cast<std::size_t>(index)];
}

std::optional<int> CityTable::Find(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    if (EqualNoCase(records_[static_cast<std::size_t>(i)].Name(), name)) return i;
  }
  return std::nullopt;
}

}  // namespace sandloop
