#include "settings/SetReg.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace sandloop {

namespace {

std::uint32_t LittleEndian32(const std::vector<std::uint8_t>& d) {
  return d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<std::uint32_t>(d[3]) << 24);
}

[[noreturn]] void Fail(const char* what, const std::string& name) {
  throw ERegistryError(std::string(what) + " for '" + name + "'");
}

// The number of a REG_DWORD value; a value of another kind or size raises.
std::uint32_t DwordOf(const std::string& name, bool found, const RegValue& v) {
  if (!found) Fail("Failed to get data", name);
  if (v.type != REG_DWORD) Fail("Invalid data type", name);
  if (v.data.size() > 4) Fail("Failed to get data", name);  // longer than the space for it
  if (v.data.size() < 4) Fail("Invalid data type", name);
  return LittleEndian32(v.data);
}

// A line break or other control character in a name would break the
// export format's line structure, so such names are refused.
bool HasControlChar(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  return false;
}

}  // namespace

std::string TSetReg::KeyPath() const {
  return "HKEY_CURRENT_USER\\SOFTWARE\\" + FCompanyName + "\\" + FProductName;
}

void TSetReg::Report(const std::string& message) {
  if (OnStoreDamaged) OnStoreDamaged(this, message);
}

void TSetReg::BeginLoad() {
  FLoading = true;
  FCached = false;
  FCache.reset();
}

void TSetReg::EndLoad() {
  FLoading = false;
  FCached = false;
  FCache.reset();
}

bool TSetReg::Commit(const std::vector<std::pair<std::string, RegValue>>& values) {
  FCached = false;  // the store changes: a load reads it anew
  FCache.reset();
  std::string error;
  switch (StoreValues(values, &error)) {
    case StoreResult::Written:
      return true;
    case StoreResult::NotOpened:
      return false;
    case StoreResult::Failed:
      break;
  }
  throw ERegistryError(error);
}

bool TSetReg::WriteValue(const std::string& Name, const RegValue& Value) {
  if (HasControlChar(Name) || HasControlChar(KeyPath())) Fail("Failed to set data", Name);
  if (FUpdating) {
    FPending.emplace_back(Name, Value);
    return true;
  }
  return Commit({{Name, Value}});
}

bool TSetReg::Fetch(const std::string& Name, bool* found, RegValue* value) {
  for (auto it = FPending.rbegin(); it != FPending.rend(); ++it) {
    if (it->first == Name) {
      *found = true;
      *value = it->second;
      return true;
    }
  }
  const std::string key = KeyPath();
  if (!FCached) {
    if (!LoadStore(&FCache)) return !FPending.empty();
    FCached = FLoading;
  }
  const bool opened = FCache && FCache->HasKey(key);
  std::optional<RegValue> v = opened ? FCache->Get(key, Name) : std::nullopt;
  if (!FCached) FCache.reset();  // outside a load nothing is kept between calls
  if (!opened) return !FPending.empty();  // a pending write creates the key
  *found = v.has_value();
  if (v) *value = std::move(*v);
  return true;
}

void TSetReg::BeginUpdate() {
  FUpdating = true;
  FPending.clear();
}

bool TSetReg::EndUpdate() {
  FUpdating = false;
  std::vector<std::pair<std::string, RegValue>> values = std::move(FPending);
  FPending.clear();
  if (values.empty()) return true;
  return Commit(values);
}

void TSetReg::CancelUpdate() {
  FUpdating = false;
  FPending.clear();
}

bool TSetReg::Write(const std::string& Name, int Value) {
  return WriteValue(Name, RegValue::Dword(static_cast<std::uint32_t>(Value)));
}

bool TSetReg::Write(const std::string& Name, bool Value) {
  return WriteValue(Name, RegValue::Dword(Value ? 1 : 0));
}

RegValue FloatRegValue(float value) {
  const double d = value;
  std::uint64_t bits = 0;
  std::memcpy(&bits, &d, sizeof bits);
  std::vector<std::uint8_t> bytes(8);
  for (int i = 0; i < 8; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
  return RegValue::Binary(std::move(bytes));
}

bool TSetReg::Write(const std::string& Name, float Value) { return WriteValue(Name, FloatRegValue(Value)); }

bool TSetReg::Write(const std::string& Name, const std::string& Value) {
  return WriteValue(Name, RegValue::Text(Value));
}

bool TSetReg::Read(const std::string& Name, int& Value) {
  bool found = false;
  RegValue v;
  if (!Fetch(Name, &found, &v)) return false;
  Value = static_cast<int>(DwordOf(Name, found, v));
  return true;
}

bool TSetReg::Read(const std::string& Name, bool& Value) {
  bool found = false;
  RegValue v;
  if (!Fetch(Name, &found, &v)) return false;
  Value = DwordOf(Name, found, v) != 0;
  return true;
}

bool TSetReg::Read(const std::string& Name, float& Value) {
  bool found = false;
  RegValue v;
  if (!Fetch(Name, &found, &v)) return false;
  if (!found) Fail("Failed to get data", Name);
  if (v.type != REG_BINARY) Fail("Invalid data type", Name);
  if (v.data.size() > 8) Fail("Failed to get data", Name);
  if (v.data.size() < 8) Fail("Invalid data type", Name);
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | v.data[static_cast<std::size_t>(i)];
  double d = 0;
  std::memcpy(&d, &bits, sizeof d);
  // A double beyond the float range becomes an infinity, as the hardware's
  // narrowing would give, rather than undefined behaviour.
  if (std::isfinite(d) && std::fabs(d) > FLT_MAX) d = d > 0 ? HUGE_VAL : -HUGE_VAL;
  Value = static_cast<float>(d);
  return true;
}

bool TSetReg::Read(const std::string& Name, std::string& Value) {
  bool found = false;
  RegValue v;
  if (!Fetch(Name, &found, &v)) return false;
  if (!found || v.Size() == 0) {
    Value.clear();
    return true;
  }
  if (v.type != REG_SZ && v.type != REG_EXPAND_SZ) Fail("Invalid data type", Name);
  Value = v.AsText();
  return true;
}

}  // namespace sandloop
