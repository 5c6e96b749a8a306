#include "settings/RegFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "tests/settings/TempStore.h"
#include "tools/fuzz/FuzzTargets.h"
#include "tests/FuzzReplay.h"

namespace sandloop {
namespace {

using test::kKey;

constexpr char kOurs[] =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_CURRENT_USER\\SOFTWARE\\Morvant\\Sandloop]\n"
    "\"flag_fps\"=dword:0000000a\n"
    "\"RegLat\"=hex:00,00,00,40,44,64,49,40\n"
    "\"Name\"=\"say \\\"hi\\\" C:\\\\dir\"\n"
    "\n";

RegDocument MustParse(std::string_view text) {
  RegParseError error;
  std::optional<RegDocument> doc = RegDocument::Parse(text, &error);
  EXPECT_TRUE(doc.has_value()) << "line " << error.line << ": " << error.reason;
  return doc ? *doc : RegDocument();
}

TEST(RegFile, ReadsEachKindOfTheExportFormat) {
  RegDocument doc = MustParse(kOurs);
  EXPECT_TRUE(doc.HasKey(kKey));
  auto dword = doc.Get(kKey, "flag_fps");
  ASSERT_TRUE(dword);
  EXPECT_EQ(dword->type, REG_DWORD);
  EXPECT_EQ(dword->data, (std::vector<std::uint8_t>{10, 0, 0, 0}));
  auto bin = doc.Get(kKey, "RegLat");
  ASSERT_TRUE(bin);
  EXPECT_EQ(bin->type, REG_BINARY);
  EXPECT_EQ(bin->data.size(), 8u);
  auto text = doc.Get(kKey, "Name");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->AsText(), "say \"hi\" C:\\dir");
  // Names and key paths compare without regard to case, as in the registry.
  EXPECT_TRUE(doc.Get("hkey_current_user\\software\\morvant\\sandloop", "FLAG_FPS"));
  EXPECT_FALSE(doc.Get(kKey, "missing"));
}

TEST(RegFile, WritesCanonicalLinesThatReadBackTheSame) {
  RegDocument doc;
  doc.Set(kKey, "Gamma", RegValue::Dword(256));
  doc.Set(kKey, "Neg", RegValue::Dword(0xFFFFFFFFu));
  doc.Set(kKey, "Bytes", RegValue::Binary({0x9a, 0x99, 0x99, 0x99, 0x99, 0x59, 0x49, 0x40}));
  doc.Set(kKey, "Quote\"d", RegValue::Text("a \"b\" \\c\\"));
  doc.Set(kKey, "Lines", RegValue::Text("one\ntwo"));
  doc.Set(kKey, "Long", RegValue::Binary(std::vector<std::uint8_t>(60, 0xAB)));
  doc.Set(kKey, "", RegValue::Text("default"));
  const std::string text = doc.Serialize();
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Morvant\\Sandloop]\n", 0), 0u)
      << text;
  EXPECT_NE(text.find("\"Gamma\"=dword:00000100\n"), std::string::npos);
  EXPECT_NE(text.find("\"Neg\"=dword:ffffffff\n"), std::string::npos);
  EXPECT_NE(text.find("\"Bytes\"=hex:9a,99,99,99,99,59,49,40\n"), std::string::npos);
  EXPECT_NE(text.find("\"Quote\\\"d\"=\"a \\\"b\\\" \\\\c\\\\\"\n"), std::string::npos);
  // Text that cannot stand on one line travels as hex(1), UTF-16.
  EXPECT_NE(text.find("\"Lines\"=hex(1):6f,00,6e,00,65,00,0a,00,74,00,77,00,6f,00,00,00\n"),
            std::string::npos);
  EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos);
  // Long byte lists wrap at about 80 columns with ",\" and go on indented.
  for (std::size_t pos = 0, end; (end = text.find('\n', pos)) != std::string::npos; pos = end + 1)
    EXPECT_LE(end - pos, 80u);
  EXPECT_NE(text.find(",\\\n  ab,"), std::string::npos);

  RegDocument back = MustParse(text);
  for (const char* name : {"Gamma", "Neg", "Bytes", "Quote\"d", "Lines", "Long", ""}) {
    auto a = doc.Get(kKey, name), b = back.Get(kKey, name);
    ASSERT_TRUE(a && b) << name;
    EXPECT_EQ(a->type, b->type) << name;
    EXPECT_EQ(a->AsText(), b->AsText()) << name;
    EXPECT_EQ(a->quoted ? std::vector<std::uint8_t>() : a->data,
              b->quoted ? std::vector<std::uint8_t>() : b->data)
        << name;
  }
  EXPECT_EQ(back.Get(kKey, "Lines")->AsText(), "one\ntwo");
  EXPECT_EQ(back.Serialize(), text);
}

TEST(RegFile, KeepsEverythingItDoesNotChange) {
  const std::string other =
      "[HKEY_CURRENT_USER\\Software\\Other\\Tool]\r\n"
      "; a comment a person wrote\r\n"
      "\"Path\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\r\n"
      "\"Odd\"=hex(b):01,02,03,04,05,06,07,08\r\n"
      "\"Wrapped\"=hex:01,02,\\\r\n"
      "    03,04\r\n"
      "\r\n";
  const std::string ours =
      "[HKEY_CURRENT_USER\\SOFTWARE\\Morvant\\Sandloop]\r\n"
      "\"Gamma\"=dword:000000FF\r\n"
      "\"clockX\"=dword:00000001\r\n";
  const std::string file = "Windows Registry Editor Version 5.00\r\n\r\n" + other + ours;
  RegDocument doc = MustParse(file);
  doc.Set(kKey, "clockX", RegValue::Dword(934));
  doc.Set(kKey, "clockY", RegValue::Dword(90));
  const std::string out = doc.Serialize();
  // The other key, its comment and the untouched value are kept byte for
  // byte; new lines follow the file's own line ends.
  EXPECT_NE(out.find(other), std::string::npos) << out;
  EXPECT_NE(out.find("\"Gamma\"=dword:000000FF\r\n"), std::string::npos);
  EXPECT_NE(out.find("\"clockX\"=dword:000003a6\r\n\"clockY\"=dword:0000005a\r\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("dword:00000001"), std::string::npos);
  RegDocument back = MustParse(out);
  EXPECT_EQ(back.Get("HKEY_CURRENT_USER\\Software\\Other\\Tool", "Wrapped")->data,
            (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(back.Get("HKEY_CURRENT_USER\\Software\\Other\\Tool", "Path")->AsText(), "%HOME%");
}

TEST(RegFile, NewKeyGoesAfterOtherKeysSetOffByABlankLine) {
  RegDocument doc = MustParse(
      "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Other]\n\"a\"=dword:00000001\n");
  doc.Set(kKey, "b", RegValue::Dword(2));
  EXPECT_EQ(doc.Serialize(),
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Other]\n\"a\"=dword:00000001\n"
            "\n[HKEY_CURRENT_USER\\SOFTWARE\\Morvant\\Sandloop]\n\"b\"=dword:00000002\n");
}

TEST(RegFile, AcceptsTheVariantsOfTheFormat) {
  // UTF-16LE with its mark, as the registry editor exports.
  std::string utf8 = "Windows Registry Editor Version 5.00\r\n\r\n[" + std::string(kKey) +
                     "]\r\n\"Stadt\"=\"K\xC3\xB6ln \xF0\x9F\x8C\xB4\"\r\n";
  std::vector<std::uint8_t> u16 = Utf8ToUtf16le(utf8, false);
  std::string bytes = "\xFF\xFE" + std::string(u16.begin(), u16.end());
  EXPECT_EQ(MustParse(bytes).Get(kKey, "Stadt")->AsText(), "K\xC3\xB6ln \xF0\x9F\x8C\xB4");
  // UTF-8 mark.
  EXPECT_TRUE(MustParse("\xEF\xBB\xBF" + utf8).HasKey(kKey));
  // A deletion mark reads as no value; of repeated entries the last wins.
  RegDocument doc = MustParse("Windows Registry Editor Version 5.00\n[" + std::string(kKey) +
                              "]\n\"a\"=dword:00000001\n\"a\"=-\n\"b\"=dword:00000001\n\"B\"=dword:00000002\n");
  EXPECT_FALSE(doc.Get(kKey, "a"));
  EXPECT_EQ(doc.Get(kKey, "b")->data[0], 2);
  doc.Set(kKey, "a", RegValue::Dword(5));
  EXPECT_EQ(MustParse(doc.Serialize()).Get(kKey, "a")->data[0], 5);
}

// The slips of a hand edit read as the person meant them, and a change
// written afterwards keeps the person's lines as they were.
TEST(RegFile, ReadsTheSlipsOfAHandEdit) {
  const std::string head = "Windows Registry Editor Version 5.00\n\n[" + std::string(kKey) + "]\n";
  struct Case {
    std::string line;
    std::vector<std::uint8_t> data;
  } cases[] = {
      {"\"v\"=dword:00000100", {0, 1, 0, 0}},          // no line end after the last line
      {"\"v\" = dword:00000100\n", {0, 1, 0, 0}},      // blanks around "="
      {"\"v\"\t=\tdword:100\n", {0, 1, 0, 0}},         // tabs, and a short dword
      {"\"v\"=DWORD:0000002A\n", {42, 0, 0, 0}},       // type word in capitals
      {"\"v\"=Dword:1\n", {1, 0, 0, 0}},
      {"\"v\"=dword:0\n", {0, 0, 0, 0}},
      {"\"v\"=dword:ffffffff", {255, 255, 255, 255}},  // a whole dword may end the file
      {"\"v\"=HEX:01, 02 ,03\n", {1, 2, 3}},           // blanks around the commas
      {"\"v\"=Hex(B):01,02\n", {1, 2}},
  };
  for (const Case& c : cases) {
    RegDocument doc = MustParse(head + c.line);
    auto v = doc.Get(kKey, "v");
    ASSERT_TRUE(v) << c.line;
    EXPECT_EQ(v->data, c.data) << c.line;
    doc.Set(kKey, "w", RegValue::Dword(7));
    const std::string out = doc.Serialize();
    EXPECT_NE(out.find(c.line), std::string::npos) << out;
    EXPECT_EQ(MustParse(out).Get(kKey, "v")->data, c.data) << out;
    EXPECT_EQ(MustParse(out).Get(kKey, "w")->data[0], 7) << out;
  }
  // Text on a last line without its line end is whole once its quote closes.
  EXPECT_EQ(MustParse(head + "\"t\" = \"x y\"").Get(kKey, "t")->AsText(), "x y");
}

// A salvaging read keeps every value Parse would accept and lists the rest:
// a whole byte list that goes wrong, the values under a key name that
// cannot be read, and lines that are not values at all.
TEST(RegFile, SalvageKeepsWhatCanBeReadAndListsWhatIsLost) {
  const std::string file =
      "Windows Registry Editor Version 5.00\n"                                  // 1
      "\n"                                                                        // 2
      "[" + std::string(kKey) + "]\n"                                             // 3
      "\"Gamma\"=dword:00000080\n"                                                // 4
      "\"clockX\"=dword:12x4\n"                                                   // 5
      "\"RegLat\"=hex:00,00,00,40,\\\n"                                           // 6
      "  44,6g,49,40\n"                                                           // 7
      "\"NumEagles\"=dword:2\n"                                                   // 8
      "what is this\n"                                                            // 9
      "[HKEY_CURRENT_USER\\Broken\n"                                              // 10
      "\"lost\"=dword:1\n"                                                        // 11
      "[" + std::string(kKey) + "]\n"                                             // 12
      "\"Text\"=\"kept\"\n";                                                      // 13
  EXPECT_FALSE(RegDocument::Parse(file, nullptr));
  std::vector<RegLostLine> lost;
  RegDocument doc = RegDocument::Salvage(file, &lost);
  EXPECT_EQ(doc.Get(kKey, "Gamma")->data[0], 0x80);
  EXPECT_EQ(doc.Get(kKey, "NumEagles")->data[0], 2);
  EXPECT_EQ(doc.Get(kKey, "Text")->AsText(), "kept");
  EXPECT_FALSE(doc.Get(kKey, "clockX"));
  EXPECT_FALSE(doc.Get(kKey, "RegLat"));
  EXPECT_FALSE(doc.Get("HKEY_CURRENT_USER\\Broken", "lost"));
  std::vector<std::pair<int, std::string>> seen;
  for (const RegLostLine& l : lost) seen.emplace_back(l.line, l.names_value ? l.name : "-");
  EXPECT_EQ(seen, (std::vector<std::pair<int, std::string>>{
                      {5, "clockX"}, {7, "RegLat"}, {9, "-"}, {10, "-"}, {11, "lost"}}));
  // What was salvaged is a sound file that reads the same.
  EXPECT_EQ(MustParse(doc.Serialize()).Get(kKey, "NumEagles")->data[0], 2);

  // Without a readable header the values are still read, under a new header.
  RegDocument headless = RegDocument::Salvage("REGEDIT4\n[" + std::string(kKey) + "]\n\"a\"=dword:5\n", &lost);
  EXPECT_EQ(headless.Get(kKey, "a")->data[0], 5);
  EXPECT_EQ(headless.Serialize().rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
  // Nothing readable at all leaves an empty document.
  EXPECT_FALSE(RegDocument::Salvage(std::string("\x7F" "ELF\x01\x00\xFF", 7), &lost).HasKey(kKey));
}

TEST(RegFile, WritesTheFileBackInItsOwnEncoding) {
  const std::string utf8 = "Windows Registry Editor Version 5.00\r\n\r\n[" + std::string(kKey) +
                           "]\r\n\"Stadt\"=\"K\xC3\xB6ln\"\r\n";
  std::vector<std::uint8_t> u16 = Utf8ToUtf16le(utf8, false);
  const std::string utf16 = "\xFF\xFE" + std::string(u16.begin(), u16.end());
  RegDocument wide = MustParse(utf16);
  EXPECT_EQ(wide.Encoding(), RegEncoding::Utf16le);
  EXPECT_EQ(wide.Serialize(), utf16);  // unchanged: byte for byte
  wide.Set(kKey, "Gamma", RegValue::Dword(256));
  std::vector<std::uint8_t> more = Utf8ToUtf16le(utf8 + "\"Gamma\"=dword:00000100\r\n", false);
  EXPECT_EQ(wide.Serialize(), "\xFF\xFE" + std::string(more.begin(), more.end()));

  RegDocument marked = MustParse("\xEF\xBB\xBF" + utf8);
  EXPECT_EQ(marked.Encoding(), RegEncoding::Utf8Bom);
  marked.Set(kKey, "Gamma", RegValue::Dword(256));
  EXPECT_EQ(marked.Serialize(), "\xEF\xBB\xBF" + utf8 + "\"Gamma\"=dword:00000100\r\n");

  RegDocument plain = MustParse(utf8);
  plain.Set(kKey, "Gamma", RegValue::Dword(256));
  EXPECT_EQ(plain.Serialize(), utf8 + "\"Gamma\"=dword:00000100\r\n");
}

// Parsing the file once costs a small multiple of its size, however it is
// made up. Measured in a child process, whose peak memory starts low.
TEST(RegFile, MemoryStaysWithinASmallMultipleOfTheFileSize) {
  const std::string header = "Windows Registry Editor Version 5.00\n";
  const std::size_t size = 1024 * 1024;
  auto filled = [&](std::string_view unit) {
    std::string s = header + "[K]\n";
    while (s.size() + unit.size() <= size) s += unit;
    return s;
  };
  for (const std::string& text : {filled("\n"), filled("@=-\n"), filled("[a]\n"), filled(";\n\n")}) {
    pid_t kid = fork();
    ASSERT_GE(kid, 0);
    if (kid == 0) {
      rusage before{}, after{};
      getrusage(RUSAGE_SELF, &before);
      std::optional<RegDocument> doc = RegDocument::Parse(text, nullptr);
      getrusage(RUSAGE_SELF, &after);
      const long grown_kib = after.ru_maxrss - before.ru_maxrss;
      // Tens of bytes per input byte at most. Sanitizer builds add their
      // own shadow memory and bookkeeping to every allocation, so there the
      // figure says nothing and only the parse itself is checked.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
      const long limit_kib = 1L << 40;
#else
      const long limit_kib = 50 * 1024;
#endif
      std::fprintf(stderr, "%zu bytes of \"%s\": %ld KiB\n", text.size(), text.substr(header.size() + 4, 4).c_str(), grown_kib);
      _exit(doc && grown_kib < limit_kib ? 0 : 1);
    }
    int status = 0;
    waitpid(kid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text.substr(header.size(), 8);
  }
}

// Damaged files, kept here as regression inputs: each must be refused with
// the line where it goes wrong, never read as a shorter file.
TEST(RegFile, RefusesDamagedFiles) {
  const std::string head = "Windows Registry Editor Version 5.00\n\n[" + std::string(kKey) + "]\n";
  struct Case {
    std::string text;
    int line;
  } cases[] = {
      {"", 1},
      {"REGEDIT4\n", 1},
      {std::string("\x7F" "ELF\x02\x01\x01\x00\n", 9), 1},
      {"Windows Registry Editor Version 5.00\n\"a\"=dword:00000001\n", 2},
      {head + "\"a\"=dword:000000001\n", 4},
      {head + "\"a\"=dword:0000000g\n", 4},
      {head + "\"a\"=dword:\n", 4},
      {head + "\"a\"=\n", 4},
      {head + "\"a\"=\"open\n", 4},
      {head + "\"a\"=\"x\" y\n", 4},
      {head + "\"a=dword:00000001\n", 4},
      {head + "\"a\" dword:00000001\n", 4},
      {head + "\"a\"=hex:01,2\n", 4},
      {head + "\"a\"=hex:01,02,\n", 4},
      {head + "\"a\"=hex:01 02\n", 4},
      {head + "\"a\"=hex(zz):01\n", 4},
      {head + "\"a\"=hex:01,\\\n", 4},
      {head + "\"a\"=hex:01,\\\n  02,\\\n  0\n", 6},
      {head + "\"a\"=word:1\n", 4},
      {head + "[HKEY_CURRENT_USER\n", 4},
      {head + "garbage\n", 4},
      {head + "\"a\"=dword:0000001", 4},  // no line end: maybe cut from a longer number
      {head + "\"a\"=hex:01,02", 4},       // no line end: maybe cut from a longer list
      {std::string("\xFF\xFE\x57", 3), 0},
      {head + std::string("\"a\"=\"x\0y\"\n", 10), 4},
  };
  for (const Case& c : cases) {
    RegParseError error;
    EXPECT_FALSE(RegDocument::Parse(c.text, &error)) << c.text;
    EXPECT_EQ(error.line, c.line) << c.text;
    EXPECT_FALSE(error.reason.empty());
  }
}

// Whatever length a file is cut to, it either is refused or reads as the
// file's first values with exactly their values: a cut never yields a
// changed value.
TEST(RegFile, ACutFileNeverReadsAsOtherValues) {
  RegDocument doc;
  doc.Set(kKey, "flag_fps", RegValue::Dword(0x12345678));
  doc.Set(kKey, "RegLat", RegValue::Binary({0, 0, 0, 0x40, 0x44, 0x64, 0x49, 0x40}));
  doc.Set(kKey, "Long", RegValue::Binary(std::vector<std::uint8_t>(40, 0x11)));
  doc.Set(kKey, "Text", RegValue::Text("a \"quoted\" \\ text"));
  doc.Set(kKey, "Lines", RegValue::Text("x\ny"));
  const std::string full = doc.Serialize();
  for (std::size_t n = 0; n < full.size(); ++n) {
    std::optional<RegDocument> cut = RegDocument::Parse(full.substr(0, n), nullptr);
    if (!cut) continue;
    for (const char* name : {"flag_fps", "RegLat", "Long", "Text", "Lines"}) {
      auto v = cut->Get(kKey, name);
      if (!v) continue;
      auto w = doc.Get(kKey, name);
      EXPECT_EQ(v->AsText(), w->AsText()) << "cut at " << n;
      EXPECT_EQ(v->quoted ? std::vector<std::uint8_t>() : v->data,
                w->quoted ? std::vector<std::uint8_t>() : w->data)
          << "cut at " << n << " " << name;
    }
  }
}

// Random damage to a valid file: the parser never fails badly, and what it
// accepts it writes back so that it reads the same again.
TEST(RegFile, SurvivesRandomDamage) {
  RegDocument doc;
  doc.Set(kKey, "flag_fps", RegValue::Dword(1));
  doc.Set(kKey, "RegLat", RegValue::Binary({0, 0, 0, 0x40, 0x44, 0x64, 0x49, 0x40}));
  doc.Set(kKey, "Long", RegValue::Binary(std::vector<std::uint8_t>(40, 0x11)));
  doc.Set(kKey, "Text", RegValue::Text("a \"quoted\" \\ text"));
  doc.Set("HKEY_CURRENT_USER\\Other", "", RegValue::Typed(REG_EXPAND_SZ, Utf8ToUtf16le("%X%", true)));
  const std::string full = doc.Serialize();
  const std::string alphabet = "\"\\[]=,:@-;\n\r\t 0aFgx()\xFF\xFE\xC3";
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  int accepted = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text = full;
    for (int k = 1 + static_cast<int>(next() % 4); k > 0; --k) {
      std::size_t pos = next() % (text.size() + 1);
      char c = alphabet[next() % alphabet.size()];
      switch (next() % 3) {
        case 0: if (pos < text.size()) text[pos] = c; break;
        case 1: text.insert(pos, 1, c); break;
        case 2: if (pos < text.size()) text.erase(pos, 1); break;
      }
    }
    std::optional<RegDocument> parsed = RegDocument::Parse(text, nullptr);
    if (!parsed) continue;
    ++accepted;
    parsed->Set(kKey, "Added", RegValue::Text("new"));
    std::optional<RegDocument> again = RegDocument::Parse(parsed->Serialize(), nullptr);
    ASSERT_TRUE(again) << text;
    EXPECT_EQ(again->Serialize(), parsed->Serialize());
    EXPECT_EQ(again->Get(kKey, "Added")->AsText(), "new");
  }
  EXPECT_GT(accepted, 0);
}

TEST(RegFile, Utf16ConversionHandlesBadInput) {
  // Invalid UTF-8 becomes U+FFFD; text ends at the first zero character.
  EXPECT_EQ(Utf8ToUtf16le("\xC3", false), (std::vector<std::uint8_t>{0xFD, 0xFF}));
  EXPECT_EQ(Utf8ToUtf16le("\xE0\x80\x80", false).size(), 6u);  // overlong: three replacements
  const std::uint8_t text[] = {'a', 0, 0, 0, 'b', 0};
  EXPECT_EQ(Utf16leToUtf8(text, sizeof text), "a");
  const std::uint8_t lone[] = {0x00, 0xD8, 'c', 0};
  EXPECT_EQ(Utf16leToUtf8(lone, sizeof lone), "\xEF\xBF\xBD" "c");
}

// The fuzz harness's seeds and every input it found failing, kept.
TEST(RegFile, FuzzInputsAreHandledSoundly) {
  const auto inputs = test::FuzzInputs("settings", "settings");
  EXPECT_GE(inputs.size(), 5u);
  for (const auto& [name, bytes] : inputs) EXPECT_EQ(fuzz::CheckSettingsFile(bytes), "") << name;
}

}  // namespace
}  // namespace sandloop
