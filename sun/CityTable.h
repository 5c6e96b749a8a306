#pragma once
// The built-in list of places: 3,937 records of name, latitude, longitude
// and standard UTC offset, read straight from the embedded resource "CITIES"
// (64 little-endian bytes per record). A record's index is its identity:
// stored settings refer to places by index, so the order never changes.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace sandloop {

inline constexpr int kCityCount = 3937;
inline constexpr std::size_t kCityNameSize = 52;

struct CityRecord {
  char name[kCityNameSize];  // zero-terminated, zero-filled
  float latitude;            // degrees, north positive
  float longitude;           // degrees, east positive
  std::int32_t ofUTC;        // standard offset in whole hours, east positive

  // The name up to its zero byte (never past the field).
  [[nodiscard]] std::string_view Name() const;
};
static_assert(sizeof(CityRecord) == 64, "a city record is 64 bytes");
static_assert(std::endian::native == std::endian::little, "the table is read in place as little-endian");

// Read-only view of a table of records; the default one is the program's
// own. Cheap to make and to copy: it never copies the records.
class CityTable {
 public:
  // The built-in table. Throws std::runtime_error when the resource is
  // missing or is not exactly kCityCount records.
  CityTable();
  // A table over the given bytes (whole records, suitably aligned). Throws
  // std::runtime_error when the size is not a multiple of the record size.
  explicit CityTable(std::span<const std::uint8_t> bytes);

  [[nodiscard]] int Count() const { return static_cast<int>(records_.size()); }
  [[nodiscard]] static bool IsValidIndex(int index, int count = kCityCount) {
    return index >= 0 && index < count;
  }
  // Record `index`; the index must be valid (asserted).
  [[nodiscard]] const CityRecord& operator[](int index) const;
  // Record `index`; throws std::out_of_range for an index outside the table.
  [[nodiscard]] const CityRecord& At(int index) const;

  // The index of the record whose name equals `name` without regard to
  // case (the first such record), or nothing.
  [[nodiscard]] std::optional<int> Find(std::string_view name) const;

  [[nodiscard]] auto begin() const { return records_.begin(); }
  [[nodiscard]] auto end() const { return records_.end(); }

 private:
  std::span<const CityRecord> records_;
};

}  // namespace sandloop
