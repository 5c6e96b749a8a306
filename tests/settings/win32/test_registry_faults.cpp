// Saves into the Windows registry that fail or are cut short part way, and
// a key that may be read but not written. The store's fault hook makes its
// Nth change to the registry fail, or stops the save there as a process
// that dies would; a reader must then find either the old record or the
// new one, whole.
#include <gtest/gtest.h>

#include "settings/SetReg.h"
#include "settings/Settings.h"
#include "settings/win32/RegistryFaults.h"
#include "tests/settings/win32/RegistryTestKey.h"

namespace sandloop {
namespace {

// Thrown by the hook: the save stops where a dying process would.
struct Crash {};

constexpr long kWriteFault = 29;  // ERROR_WRITE_FAULT

// A record unlike the first run's, with the stored mode in use.
SettingsRecord OldRecord() {
  SettingsRecord s = FirstRunSettings();
  s.flag_defres = false;
  s.ResHor = 1024;
  s.ResVert = 768;
  s.ColorDepth = 16;
  s.Gamma = 200;
  s.ColorClock = 0x112233;
  s.RegLat = 10.5f;
  s.IndexCity = 7;
  return s;
}

// `s` with every value changed but flag_defres, so that no mix of the two
// records equals either of them.
SettingsRecord Changed(SettingsRecord s) {
  for (const SettingSpec& spec : SettingsTable) {
    switch (spec.kind) {
      case SettingKind::Bool:
        if (spec.as_bool != &SettingsRecord::flag_defres) s.*spec.as_bool = !(s.*spec.as_bool);
        break;
      case SettingKind::Int: s.*spec.as_int += 1; break;
      case SettingKind::Float: s.*spec.as_float += 1.0f; break;
      case SettingKind::Color: s.*spec.as_color ^= 0x010101; break;
    }
  }
  return s;
}

class RegistryFaultsTest : public ::testing::Test {
 protected:
  RegistryFaultsTest() : store(nullptr) {
    product = std::string("Faults") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    Configure(store);
    Delete();
  }
  ~RegistryFaultsTest() override {
    RegistryChangeHook = nullptr;
    test::DenyTestKeyWrites(test::kTestCompany, product, false);
    Delete();
  }

  void Configure(TSetReg& s) {
    s.SetCompanyName(test::kTestCompany);
    s.SetProductName(product);
  }
  void Delete() {
    test::DeleteTestKey(test::kTestCompany, product);
    test::DeleteTestKey(test::kTestCompany, product + ".new");
  }
  // Whether the journal that a save writes beside the key is still there.
  bool JournalLeft() { return test::CountTestKeyValues(test::kTestCompany, product + ".new") >= 0; }
  // The record a fresh reader loads.
  SettingsRecord Stored() {
    TSetReg reader(nullptr);
    Configure(reader);
    SettingsRecord s;
    EXPECT_FALSE(DialogLoadSettings(reader, s)) << "taken for a first run";
    return s;
  }
  // From now on the `at`th change fails (or crashes); `faulted` names it.
  void FaultAt(int at, bool crash) {
    changes = 0;
    faulted.clear();
    RegistryChangeHook = [this, at, crash](const std::string& change) -> long {
      if (++changes != at) return 0;
      faulted = change;
      if (crash) throw Crash{};
      return kWriteFault;
    };
  }
  // Saves `s`, stopped by a crash at the `at`th change; false when the save
  // ended before that change.
  bool SaveCrashingAt(const SettingsRecord& s, int at) {
    FaultAt(at, true);
    bool crashed = false;
    try {
      DialogSaveSettings(store, s);
    } catch (const Crash&) {
      crashed = true;
    }
    RegistryChangeHook = nullptr;
    return crashed;
  }

  std::string product;
  TSetReg store;
  int changes = 0;
  std::string faulted;
};

// A save that dies after any number of changes, the 13th value among them,
// leaves the old record or the new one, never a mix; the record is new
// from some change on and stays so; and the next save goes through whole
// and leaves no journal behind.
TEST_F(RegistryFaultsTest, ASaveCutShortAnywhereLeavesTheOldOrTheNewRecord) {
  const SettingsRecord old_record = OldRecord(), new_record = Changed(old_record),
                       next_record = Changed(new_record);
  bool seen_new = false;
  int n = 1;
  for (;; ++n) {
    Delete();
    ASSERT_TRUE(DialogSaveSettings(store, old_record));
    if (!SaveCrashingAt(new_record, n)) break;
    const SettingsRecord got = Stored();
    ASSERT_TRUE(got == old_record || got == new_record) << "a mix after change " << n;
    if (n <= kSettingCount) {
      EXPECT_EQ(got, old_record) << "new before all its values were written, change " << n;
    }
    if (seen_new) {
      EXPECT_EQ(got, new_record) << "old again after change " << n;
    }
    seen_new = seen_new || got == new_record;

    ASSERT_TRUE(DialogSaveSettings(store, next_record));
    EXPECT_EQ(Stored(), next_record) << "after a crash at change " << n;
    EXPECT_FALSE(JournalLeft()) << "after a crash at change " << n;
  }
  EXPECT_GT(n, kSettingCount + 1);
  EXPECT_TRUE(seen_new) << "a save that dies after writing everything must count";
}

// A save that finds a finished journal left by a dying save completes it
// first; dying itself at any point, it leaves the record of the first
// save or its own.
TEST_F(RegistryFaultsTest, ASaveCutShortWhileCompletingAnEarlierOneLeavesOneRecord) {
  const SettingsRecord old_record = OldRecord(), middle = Changed(old_record), last = Changed(middle);
  // The first change after which a dying save counts.
  int committed = 1;
  for (;; ++committed) {
    Delete();
    ASSERT_TRUE(DialogSaveSettings(store, old_record));
    ASSERT_TRUE(SaveCrashingAt(middle, committed)) << "the save never took effect";
    if (Stored() == middle) break;
  }
  for (int m = 1;; ++m) {
    Delete();
    ASSERT_TRUE(DialogSaveSettings(store, old_record));
    ASSERT_TRUE(SaveCrashingAt(middle, committed));
    if (!SaveCrashingAt(last, m)) {
      EXPECT_EQ(Stored(), last);
      EXPECT_FALSE(JournalLeft());
      break;
    }
    const SettingsRecord got = Stored();
    EXPECT_TRUE(got == middle || got == last) << "a mix after change " << m;
  }
}

// A change that fails rolls the save back and names the value it could not
// set; past the point where the save has taken place, a failure no longer
// undoes it, and the save says so by succeeding.
TEST_F(RegistryFaultsTest, AFailedSaveNamesTheValueThatFailedAndKeepsTheOldRecord) {
  const SettingsRecord old_record = OldRecord(), new_record = Changed(old_record);
  for (int n = 1;; ++n) {
    Delete();
    ASSERT_TRUE(DialogSaveSettings(store, old_record));
    FaultAt(n, false);
    std::string error;
    bool stored = false;
    try {
      stored = DialogSaveSettings(store, new_record);
    } catch (const ERegistryError& e) {
      error = e.what();
    }
    RegistryChangeHook = nullptr;
    if (changes < n) break;  // no change was left to fail
    const SettingsRecord got = Stored();
    if (n <= kSettingCount) {
      EXPECT_EQ(error, "Failed to set data for '" + std::string(SettingsTable[n - 1].name) + "'");
      EXPECT_EQ(faulted, SettingsTable[n - 1].name);
    }
    if (error.empty()) {
      EXPECT_TRUE(stored);
      EXPECT_EQ(got, new_record) << "change " << n;
    } else {
      EXPECT_EQ(got, old_record) << "change " << n;
      EXPECT_FALSE(JournalLeft()) << "change " << n;
    }
  }
}

// A key the user may read but not write loads as it is, not as a first
// run, and a save says that the key cannot be written.
TEST_F(RegistryFaultsTest, AKeyThatCannotBeWrittenLoadsAndItsSaveSaysSo) {
  const SettingsRecord old_record = OldRecord();
  ASSERT_TRUE(DialogSaveSettings(store, old_record));
  ASSERT_TRUE(test::DenyTestKeyWrites(test::kTestCompany, product, true));
  EXPECT_EQ(Stored(), old_record);

  const std::string cannot = "The settings key '" + store.KeyPath() + "' cannot be written";
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      if (attempt == 0)
        DialogSaveSettings(store, Changed(old_record));
      else
        store.Write("Gamma", 5);
      ADD_FAILURE() << "a key that denies writes was written";
    } catch (const ERegistryError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(cannot, 0), 0u) << e.what();
    }
  }
  EXPECT_EQ(Stored(), old_record);
  EXPECT_FALSE(JournalLeft());
}

}  // namespace
}  // namespace sandloop
