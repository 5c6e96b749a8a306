// The settings store on the Windows registry: each test works on a key of
// its own under HKEY_CURRENT_USER\SOFTWARE\SandloopTests and checks what
// the registry holds with the registry's own calls.
#include <gtest/gtest.h>

#include "settings/SetReg.h"
#include "tests/settings/win32/RegistryTestKey.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace sandloop {
namespace {

constexpr const char* kCompany = test::kTestCompany;

class RegistryStoreTest : public ::testing::Test {
 protected:
  RegistryStoreTest() : store(nullptr) {
    product = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    store.SetCompanyName(kCompany);
    store.SetProductName(product);
    Delete();
  }
  ~RegistryStoreTest() override { Delete(); }

  std::wstring SubKey() const {
    const std::string path = std::string("SOFTWARE\\") + kCompany + "\\" + product;
    return std::wstring(path.begin(), path.end());
  }
  void Delete() { test::DeleteTestKey(kCompany, product); }
  bool KeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SubKey().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  // The value's type and bytes as the registry holds them.
  bool Raw(const char* name, DWORD* type, std::vector<std::uint8_t>* bytes) {
    const std::wstring wide(name, name + std::strlen(name));
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, SubKey().c_str(), wide.c_str(), RRF_RT_ANY | RRF_NOEXPAND, type, nullptr,
                     &size) != ERROR_SUCCESS)
      return false;
    bytes->resize(size);
    return RegGetValueW(HKEY_CURRENT_USER, SubKey().c_str(), wide.c_str(), RRF_RT_ANY | RRF_NOEXPAND, type,
                        bytes->data(), &size) == ERROR_SUCCESS;
  }
  void Place(const char* name, DWORD type, const std::vector<std::uint8_t>& bytes) {
    const std::wstring wide(name, name + std::strlen(name));
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, SubKey().c_str(), wide.c_str(), type, bytes.data(),
                              static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
  }

  std::string product;
  TSetReg store;
};

TEST_F(RegistryStoreTest, MissingKeyReadsFalseAndTheFirstWriteCreatesIt) {
  int i = 5;
  bool b = true;
  float f = 1.5f;
  std::string s = "kept";
  EXPECT_FALSE(store.Read("clockX", i));
  EXPECT_FALSE(store.Read("flag_clock", b));
  EXPECT_FALSE(store.Read("RegLat", f));
  EXPECT_FALSE(store.Read("Name", s));
  EXPECT_EQ(i, 5);
  EXPECT_TRUE(b);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(s, "kept");
  EXPECT_FALSE(KeyExists());
  EXPECT_TRUE(store.Write("clockX", 934));
  EXPECT_TRUE(KeyExists());
  EXPECT_EQ(store.GetStorePath(), "HKEY_CURRENT_USER\\SOFTWARE\\SandloopTests\\" + product);
}

TEST_F(RegistryStoreTest, ValuesHaveTheRegistrysTypesAndRoundTrip) {
  ASSERT_TRUE(store.Write("clockX", -17));
  ASSERT_TRUE(store.Write("flag_clock", true));
  ASSERT_TRUE(store.Write("RegLat", 50.85f));
  ASSERT_TRUE(store.Write("Place", std::string("Zürich")));
  DWORD type = 0;
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(Raw("clockX", &type, &bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xEF, 0xFF, 0xFF, 0xFF}));
  ASSERT_TRUE(Raw("flag_clock", &type, &bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  ASSERT_TRUE(Raw("RegLat", &type, &bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(bytes.size(), 8u);
  double d = 0;
  std::memcpy(&d, bytes.data(), 8);
  EXPECT_EQ(d, static_cast<double>(50.85f));
  ASSERT_TRUE(Raw("Place", &type, &bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  // UTF-16LE with its terminating zero: "ü" is U+00FC.
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'Z', 0, 0xFC, 0, 'r', 0, 'i', 0, 'c', 0, 'h', 0, 0, 0}));

  int i = 0;
  bool b = false;
  float f = 0;
  std::string s;
  EXPECT_TRUE(store.Read("clockX", i));
  EXPECT_TRUE(store.Read("flag_clock", b));
  EXPECT_TRUE(store.Read("RegLat", f));
  EXPECT_TRUE(store.Read("Place", s));
  EXPECT_EQ(i, -17);
  EXPECT_TRUE(b);
  EXPECT_EQ(f, 50.85f);
  EXPECT_EQ(s, "Zürich");
}

TEST_F(RegistryStoreTest, ValuesPlacedByHandReadAsTheRegistryWould) {
  Place("flag_fps", REG_DWORD, {7, 0, 0, 0});
  Place("Short", REG_BINARY, {0, 0, 0x80, 0x3F});
  Place("Text", REG_DWORD, {1, 0, 0, 0});
  Place("Expand", REG_EXPAND_SZ, Utf8ToUtf16le("%TEMP%", true));
  bool b = false;
  EXPECT_TRUE(store.Read("flag_fps", b));
  EXPECT_TRUE(b);
  float f = 0;
  try {
    store.Read("Short", f);
    ADD_FAILURE() << "a 4-byte float was read";
  } catch (const ERegistryError& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Short'");
  }
  std::string s;
  EXPECT_THROW(store.Read("Text", s), ERegistryError);
  EXPECT_TRUE(store.Read("Expand", s));
  EXPECT_EQ(s, "%TEMP%");  // read as it is, not expanded
  int i = 0;
  try {
    store.Read("Gamma", i);
    ADD_FAILURE() << "a missing value was read";
  } catch (const ERegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to get data for 'Gamma'");
  }
  EXPECT_TRUE(store.Read("Missing text", s));
  EXPECT_EQ(s, "");
}

TEST_F(RegistryStoreTest, AnUpdateWritesEveryValueAtItsEnd) {
  {
    TSetRegUpdate update(store);
    EXPECT_TRUE(store.Write("clockX", 1));
    EXPECT_TRUE(store.Write("clockY", 2));
    EXPECT_FALSE(KeyExists());
    EXPECT_TRUE(update.Commit());
  }
  int x = 0, y = 0;
  EXPECT_TRUE(store.Read("clockX", x));
  EXPECT_TRUE(store.Read("clockY", y));
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 2);
  {
    TSetRegUpdate cancelled(store);
    store.Write("clockX", 99);
  }
  EXPECT_TRUE(store.Read("clockX", x));
  EXPECT_EQ(x, 1);
}

}  // namespace
}  // namespace sandloop
