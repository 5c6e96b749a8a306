// The settings file's first stage on its own: bytes to text, text to lines.
#include "settings/RegFileLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sandloop::regfile {
namespace {

std::vector<Line> AllLines(std::string_view text) {
  std::vector<Line> out;
  LineReader reader(text);
  Line line;
  while (reader.Next(&line)) out.push_back(line);
  // At the end the reader stays at the end and leaves the line as it was:
  // skipping the rest of a byte list relies on that.
  Line kept = line;
  EXPECT_FALSE(reader.Next(&line));
  EXPECT_EQ(line.full.data(), kept.full.data());
  return out;
}

// Lines end at "\n" only; "\r" belongs to the line end only right before it,
// and a last line without its end is told apart.
TEST(RegFileLines, SplitsAtLineEndsKeepingThemWithTheLine) {
  const std::string text = "a\r\nb\rc\n\r\n\\ \r\nlast\\";
  std::vector<Line> lines = AllLines(text);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].text, "a");
  EXPECT_EQ(lines[0].full, "a\r\n");
  EXPECT_EQ(lines[1].text, "b\rc");
  EXPECT_EQ(lines[2].text, "");
  EXPECT_EQ(lines[2].full, "\r\n");
  EXPECT_TRUE(lines[3].Continues());  // blanks after the "\" allowed
  EXPECT_FALSE(lines[1].Continues());
  EXPECT_EQ(lines[4].full, "last\\");
  EXPECT_FALSE(lines[4].Ended());
  EXPECT_TRUE(lines[3].Ended());
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].number, static_cast<int>(i) + 1);
  EXPECT_EQ(LinesFrom(lines[1], lines[3]), "b\rc\n\r\n\\ \r\n");
  EXPECT_EQ(LineEndOf(lines[0]), "\r\n");
  EXPECT_EQ(LineEndOf(lines[1]), "\n");
  EXPECT_TRUE(AllLines("").empty());
}

// A zero character in UTF-16 text stays in the text, with what follows it:
// cutting the text there would read a damaged file as a shorter, sound one.
TEST(RegFileLines, DecodesByTheByteOrderMark) {
  const std::string utf16("\xFF\xFE" "a\0\0\0b\0\n\0", 10);
  DecodedText wide = DecodeText(utf16);
  EXPECT_EQ(wide.encoding, RegEncoding::Utf16le);
  EXPECT_FALSE(wide.odd_length);
  EXPECT_EQ(wide.Text(), std::string_view("a\0b\n", 4));
  Line line;
  LineReader reader(wide.Text());
  ASSERT_TRUE(reader.Next(&line));
  EXPECT_TRUE(line.HasZero());

  DecodedText odd = DecodeText(utf16 + "x");
  EXPECT_TRUE(odd.odd_length);
  EXPECT_EQ(odd.Text(), wide.Text());  // the odd byte is dropped

  DecodedText marked = DecodeText("\xEF\xBB\xBFx\n");
  EXPECT_EQ(marked.encoding, RegEncoding::Utf8Bom);
  EXPECT_EQ(marked.Text(), "x\n");
  // Half a mark is text.
  EXPECT_EQ(DecodeText("\xFF").encoding, RegEncoding::Utf8);
  EXPECT_EQ(DecodeText("\xEF\xBB").Text(), "\xEF\xBB");
}

}  // namespace
}  // namespace sandloop::regfile
