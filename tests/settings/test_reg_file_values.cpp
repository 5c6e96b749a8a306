// The settings file's third stage on its own: a value's data, read from
// its line(s) and written as its canonical line.
#include "settings/RegFileValues.h"

#include <gtest/gtest.h>

#include "settings/RegFileKeys.h"

namespace sandloop::regfile {
namespace {

using namespace std::string_literals;

// Reads the value line that starts `text` (which must outlive it); the rest
// of `text` feeds a byte list's continued lines.
struct Read {
  explicit Read(std::string_view text) : lines(text) {
    EXPECT_TRUE(lines.Next(&first));
    head = ReadValueHead(first.text);
    EXPECT_EQ(head.error, "") << text;
    data = ReadValueData(head.data, first, lines);
  }
  LineReader lines;
  Line first;
  ValueHead head;
  ValueData data;
};

TEST(RegFileValues, ReadsTheEdgesOfEachKind) {
  struct Case {
    const char* line;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"\"v\"=dword: 1f \n", REG_DWORD, {0x1f, 0, 0, 0}},  // blanks around the digits
      {"\"v\"=hex:\n", REG_BINARY, {}},                      // an empty list
      {"\"v\"=hex(7fffffff):00\n", 0x7fffffffu, {0}},
      {"\"v\"=hex(0):\n", REG_NONE, {}},
      {"\"v\"=hex:\\\n  01\n", REG_BINARY, {1}},             // the list starts on the next line
  };
  for (const Case& c : cases) {
    Read r(c.line);
    EXPECT_EQ(r.data.error, "") << c.line;
    EXPECT_EQ(r.data.value.type, c.type) << c.line;
    EXPECT_EQ(r.data.value.data, c.bytes) << c.line;
  }
  Read removed("@= - \t\n");
  EXPECT_TRUE(removed.data.removed);
  EXPECT_EQ(removed.data.error, "");

  for (const char* bad : {"\"v\"=hex():01\n", "\"v\"=hex(123456789):01\n", "\"v\"=hex(4:01\n",
                          "\"v\"=hex(4)01\n", "\"v\"=dword:-1\n", "\"v\"=\"a\";\n", "\"v\"=str:x\n"})
    EXPECT_NE(Read(bad).data.error, "") << bad;
}

// A byte list reports the last line it took: the line a fault is named by,
// and where a salvaging read goes on skipping.
TEST(RegFileValues, AByteListTakesItsContinuedLines) {
  Read whole("\"v\"=hex:01,\\\n  02,\\\n  03\nnext\n");
  EXPECT_EQ(whole.data.error, "");
  EXPECT_EQ(whole.data.value.data, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(whole.data.last.number, 3);
  EXPECT_EQ(LinesFrom(whole.first, whole.data.last), "\"v\"=hex:01,\\\n  02,\\\n  03\n");

  const std::string with_zero = "\"v\"=hex:01,\\\n  0\0,\\\n  03\n"s;
  Read zero(with_zero);
  EXPECT_EQ(zero.data.error, "zero character in the text");
  EXPECT_EQ(zero.data.last.number, 2);
  EXPECT_TRUE(zero.data.last.Continues());

  Read ended("\"v\"=hex:01,\\\n");
  EXPECT_EQ(ended.data.error, "the file ends inside a byte list");
  EXPECT_EQ(ended.data.last.number, 1);
}

// Every value is written as a line that reads back as the same value, in
// either line end; a REG_DWORD that is not 4 bytes long is written as
// hex(4) and not as a number of another size.
TEST(RegFileValues, WritesLinesThatReadBackAsTheSameValue) {
  std::vector<std::uint8_t> long_list(100);
  for (std::size_t i = 0; i < long_list.size(); ++i) long_list[i] = static_cast<std::uint8_t>(i * 7);
  const RegValue values[] = {
      RegValue::Dword(0xdeadbeef),  RegValue::Typed(REG_DWORD, {1, 2, 3}), RegValue::Binary({}),
      RegValue::Binary(long_list),  RegValue::Typed(0x10000, {9}),       RegValue::Text("a\\\"b\""),
      RegValue::Text("tab\there"),
  };
  for (const char* eol : {"\n", "\r\n"}) {
    for (const RegValue& v : values) {
      const std::string line = FormatValueLine(false, "n\"\\", false, v, eol);
      Read r(line);
      EXPECT_EQ(r.head.name, "n\"\\");
      ASSERT_EQ(r.data.error, "") << line;
      EXPECT_EQ(r.data.last.full.data() + r.data.last.full.size(), r.first.full.data() + line.size()) << line;
      EXPECT_EQ(r.data.value.type, v.type) << line;
      EXPECT_EQ(r.data.value.quoted, v.quoted) << line;
      EXPECT_EQ(r.data.value.text, v.text) << line;
      EXPECT_EQ(r.data.value.data, v.data) << line;
    }
  }
  // Long lists wrap with the file's own line end.
  EXPECT_NE(FormatValueLine(false, "n", false, RegValue::Binary(long_list), "\r\n").find(",\\\r\n  "),
            std::string::npos);
  EXPECT_EQ(FormatValueLine(false, "d", false, RegValue::Typed(REG_DWORD, {1, 2, 3}), "\n"), "\"d\"=hex(4):01,02,03\n");
  EXPECT_EQ(FormatValueLine(true, "", true, RegValue::Dword(1), "\r\n"), "@=-\r\n");
}

}  // namespace
}  // namespace sandloop::regfile
