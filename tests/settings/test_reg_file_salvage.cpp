// The settings file's fourth stage on its own: a strict read stops at its
// first fault, a salvaging one lists each and leaves out a value whole.
#include "settings/RegFileSalvage.h"

#include <gtest/gtest.h>

namespace sandloop::regfile {
namespace {

TEST(RegFileSalvage, AStrictReadStopsAtItsFirstFault) {
  RegParseError error;
  Faults strict(&error, nullptr);
  const std::string name = "v";
  EXPECT_FALSE(strict.Record(7, "why", "K", &name));
  EXPECT_EQ(error.line, 7);
  EXPECT_EQ(error.reason, "why");
  Faults silent(nullptr, nullptr);  // Parse without an error to fill
  EXPECT_FALSE(silent.Record(1, "why"));

  std::vector<RegLostLine> lost;
  Faults salvage(nullptr, &lost);
  EXPECT_TRUE(salvage.Record(3, "first", "K", &name));
  EXPECT_TRUE(salvage.Record(0, "second"));
  ASSERT_EQ(lost.size(), 2u);
  EXPECT_EQ(lost[0].line, 3);
  EXPECT_EQ(lost[0].path, "K");
  EXPECT_TRUE(lost[0].names_value);
  EXPECT_EQ(lost[0].name, "v");
  EXPECT_EQ(lost[1].path, "");
  EXPECT_FALSE(lost[1].names_value);
}

// A value left out takes the rest of its byte list with it, up to the
// list's last line or the end of the file, and nothing after it.
TEST(RegFileSalvage, LeavesOutTheRestOfAByteList) {
  std::vector<RegLostLine> lost;
  Faults salvage(nullptr, &lost);
  LineReader lines("\"a\"=hex:zz,\\\n  01,\\ \r\n  02\nnext\n\"b\"=hex:01,\\\n  02,\\\n");
  Line line;
  ASSERT_TRUE(lines.Next(&line));
  EXPECT_TRUE(salvage.LeaveOut(&line, lines, "bad", "K", nullptr));
  EXPECT_EQ(line.number, 3);
  ASSERT_TRUE(lines.Next(&line));
  EXPECT_EQ(line.text, "next");
  EXPECT_TRUE(salvage.LeaveOut(&line, lines, "not a list", "", nullptr));
  EXPECT_EQ(line.number, 4);  // a line that does not continue skips nothing
  ASSERT_TRUE(lines.Next(&line));
  EXPECT_TRUE(salvage.LeaveOut(&line, lines, "bad", "K", nullptr));
  EXPECT_EQ(line.number, 6);  // the list runs to the end of the file
  EXPECT_FALSE(lines.Next(&line));
  ASSERT_EQ(lost.size(), 3u);
  // Each is named by the line the fault was found on.
  EXPECT_EQ(lost[0].line, 1);
  EXPECT_EQ(lost[1].line, 4);
  EXPECT_EQ(lost[2].line, 5);
}

// Through the whole reader: the lines a salvaging read lists name the key
// they stood under and say why they were lost, and the continued lines of
// a value that goes wrong on its first line or in its name are not read as
// lines of their own.
TEST(RegFileSalvage, ListsEachLostValueWithItsKeyAndReason) {
  const std::string file =
      "Windows Registry Editor Version 5.00\n"  // 1
      "\"early\"=dword:1\n"                      // 2
      "[K]\n"                                    // 3
      "\"a\"=hex(zz):01,\\\n"                    // 4
      "  02\n"                                   // 5
      "\"b=hex:01,\\\n"                          // 6
      "  02\n"                                   // 7
      "\"c\"=dword:3\n"                          // 8
      "[L\n"                                     // 9
      "@=dword:4\n"                              // 10
      "[M]\n"                                    // 11
      "\"d\"=dword:5\n";                         // 12
  std::vector<RegLostLine> lost;
  RegDocument doc = RegDocument::Salvage(file, &lost);
  EXPECT_EQ(doc.Get("K", "c")->data[0], 3);
  EXPECT_EQ(doc.Get("M", "d")->data[0], 5);
  struct Seen {
    int line;
    std::string path, name, reason;
    bool operator==(const Seen&) const = default;
  };
  std::vector<Seen> seen;
  for (const RegLostLine& l : lost) seen.push_back({l.line, l.path, l.names_value ? l.name : "-", l.reason});
  const std::vector<Seen> want = {
      {2, "", "early", "a value before the first key"},
      {4, "K", "a", "bad hex(type)"},
      {6, "K", "-", "unterminated value name"},
      {9, "", "-", "unterminated key name"},
      {10, "", "", "a value under a key name that cannot be read"},
  };
  ASSERT_EQ(seen.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i)
    EXPECT_EQ(seen[i], want[i]) << i << ": line " << seen[i].line << " " << seen[i].reason;
}

}  // namespace
}  // namespace sandloop::regfile
