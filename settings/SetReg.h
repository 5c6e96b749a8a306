#pragma once
// TSetReg reads and writes single named values of the product's per-user
// key HKEY_CURRENT_USER\SOFTWARE\<CompanyName>\<ProductName> with the
// registry's encodings: ints and bools as REG_DWORD, text as REG_SZ, floats
// as an 8-byte REG_BINARY double. On Windows the key is the registry's
// own; elsewhere it lives in a registry export file (posix/RegStore.h).
//
// Every call returns whether the key could be opened (for writes: opened or
// created); when it could not, nothing is written and the out-parameter
// keeps its value. Once the key is open, a missing or mistyped value is an
// ERegistryError with the message "Failed to get data for '<name>'" or
// "Invalid data type for '<name>'", and a value that cannot be stored is
// "Failed to set data for '<name>'". On Windows a key that can be read but
// not written opens for reads, and a write to it is an ERegistryError that
// says the key cannot be written.
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "kit/Component.h"
#include "settings/RegFile.h"

namespace sandloop {

class ERegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The registry encoding of a float: the value widened to an 8-byte double.
RegValue FloatRegValue(float value);

class TSetReg : public TComponent {
 public:
  explicit TSetReg(TComponent* owner) : TComponent(owner) {}

  const std::string& GetCompanyName() const { return FCompanyName; }
  void SetCompanyName(std::string value) { FCompanyName = std::move(value); }
  const std::string& GetProductName() const { return FProductName; }
  void SetProductName(std::string value) { FProductName = std::move(value); }
  // Where the key is kept. POSIX: the file that holds it; DefaultStorePath()
  // (read at each call) while empty. When that is empty too (no home
  // folder), every call returns false, nothing is written, and this is
  // reported once. Windows: the registry itself, shown as KeyPath(); a
  // path set here is not used.
  std::string GetStorePath() const;
  void SetStorePath(std::string value) { FStorePath = std::move(value); }

  // Fired with every report about the store: a damaged file kept aside
  // with the values that were lost, a path that is not a regular file, no
  // home folder. The same text always goes to standard error. Run mode
  // logs it.
  std::function<void(TSetReg* Sender, const std::string& Message)> OnStoreDamaged;

  // Values that the key of a damaged file gets when salvaging lost them,
  // so that the file written back holds every value a load reads. In the
  // Windows registry, where values cannot be damaged in themselves, each of
  // these values that is missing or not of its default's kind and size
  // reads as its default, and they are named in one report; the next save
  // of them stores them correctly.
  void SetSalvageDefaults(std::vector<std::pair<std::string, RegValue>> values) {
    FSalvageDefaults = std::move(values);
  }

  // Between BeginLoad and EndLoad the file is read once, at the first
  // Read, and every Read is answered from that reading, so that a load of
  // many values parses the file once. A write in between reads it anew.
  void BeginLoad();
  void EndLoad();

  // "HKEY_CURRENT_USER\SOFTWARE\<CompanyName>\<ProductName>".
  std::string KeyPath() const;

  bool Write(const std::string& Name, int Value);
  bool Write(const std::string& Name, bool Value);
  bool Write(const std::string& Name, float Value);
  bool Write(const std::string& Name, const std::string& Value);
  bool Write(const std::string& Name, const char* Value) { return Write(Name, std::string(Value)); }

  bool Read(const std::string& Name, int& Value);
  bool Read(const std::string& Name, bool& Value);
  bool Read(const std::string& Name, float& Value);
  bool Read(const std::string& Name, std::string& Value);

  // Between BeginUpdate and EndUpdate writes are collected (Write returns
  // true) and stored together by EndUpdate in one replacement of the file:
  // all of them or, if the process dies or the write fails, none. Reads in
  // between see the collected values. EndUpdate returns false when the key
  // could not be opened. When the values could not be stored it raises an
  // ERegistryError: on Windows "Failed to set data for '<name>'" naming the
  // value that failed, or, when no single value failed, one saying that the
  // key cannot be written; with the file store, which writes its file
  // whole, "Failed to set data for '<name>'" with the first collected name.
  void BeginUpdate();
  bool EndUpdate();
  // Drops the collected writes (for an update left by an exception).
  void CancelUpdate();
  bool Updating() const { return FUpdating; }

 private:
  bool WriteValue(const std::string& Name, const RegValue& Value);
  // Opens the key for reading: false when it cannot be opened; otherwise
  // `found` tells whether the value exists and `value` holds it.
  bool Fetch(const std::string& Name, bool* found, RegValue* value);
  bool Commit(const std::vector<std::pair<std::string, RegValue>>& values);

  // The platform's store (posix/SetRegStore.cpp, win32/SetRegStore.cpp).
  enum class StoreResult { Written, NotOpened, Failed };
  // Reads the whole key into `doc` (nullopt: the key cannot be opened);
  // false when there is no store at all.
  bool LoadStore(std::optional<RegDocument>* doc);
  // Writes the values together, creating the key when missing. On Failed,
  // `error` is the message of the error to raise.
  StoreResult StoreValues(const std::vector<std::pair<std::string, RegValue>>& values, std::string* error);
  // POSIX: the store path, or empty after reporting (once) that there is none.
  std::string UsablePath();
  void Report(const std::string& message);

  std::string FCompanyName;
  std::string FProductName;
  std::string FStorePath;
  bool FUpdating = false;
  std::vector<std::pair<std::string, RegValue>> FPending;
  std::vector<std::pair<std::string, RegValue>> FSalvageDefaults;
  bool FLoading = false;
  bool FCached = false;                 // FCache holds this load's reading
  std::optional<RegDocument> FCache;    // nullopt: the key's file could not be read
  bool FNoHomeReported = false;
};

// Reads of one load from a single reading of the file (BeginLoad and
// EndLoad around a scope).
class TSetRegLoad {
 public:
  explicit TSetRegLoad(TSetReg& store) : store_(store) { store_.BeginLoad(); }
  ~TSetRegLoad() { store_.EndLoad(); }
  TSetRegLoad(const TSetRegLoad&) = delete;
  TSetRegLoad& operator=(const TSetRegLoad&) = delete;

 private:
  TSetReg& store_;
};

// Ends an update when it leaves scope: EndUpdate normally, CancelUpdate
// when an exception is passing through.
class TSetRegUpdate {
 public:
  explicit TSetRegUpdate(TSetReg& store) : store_(store) { store_.BeginUpdate(); }
  ~TSetRegUpdate() {
    if (store_.Updating()) store_.CancelUpdate();
  }
  TSetRegUpdate(const TSetRegUpdate&) = delete;
  TSetRegUpdate& operator=(const TSetRegUpdate&) = delete;
  bool Commit() { return store_.EndUpdate(); }

 private:
  TSetReg& store_;
};

}  // namespace sandloop
