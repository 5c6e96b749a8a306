// The settings file's second stage on its own: what a line is, key paths,
// and value names.
#include "settings/RegFileKeys.h"

#include <gtest/gtest.h>

namespace sandloop::regfile {
namespace {

TEST(RegFileKeys, TellsWhatALineIs) {
  EXPECT_EQ(KindOf(""), LineKind::Filler);
  EXPECT_EQ(KindOf("\t \r"), LineKind::Filler);
  EXPECT_EQ(KindOf("; [not a key]"), LineKind::Filler);
  EXPECT_EQ(KindOf("[k"), LineKind::Key);  // a key, if a broken one
  EXPECT_EQ(KindOf("@=-"), LineKind::Value);
  EXPECT_EQ(KindOf("\"a\""), LineKind::Value);
  EXPECT_EQ(KindOf("a=1"), LineKind::Other);
  EXPECT_EQ(KindOf("#comment"), LineKind::Other);

  EXPECT_EQ(ReadKeyPath("[HKEY_CURRENT_USER\\A b] \t\r"), "HKEY_CURRENT_USER\\A b");
  EXPECT_EQ(ReadKeyPath("[[a]]"), "[a]");
  EXPECT_EQ(ReadKeyPath("[]"), "");      // no path
  EXPECT_EQ(ReadKeyPath("[a] b"), "");   // text after the bracket
  EXPECT_EQ(ReadKeyPath("[a"), "");
}

TEST(RegFileKeys, ReadsTheValueNameUpToItsData) {
  // Only \\ and \" are escapes; any other backslash stands for itself.
  ValueHead head = ReadValueHead("\"a\\\\b\\\"c\\d\"  =\t dword:1 ");
  EXPECT_TRUE(head.named);
  EXPECT_FALSE(head.is_default);
  EXPECT_EQ(head.name, "a\\b\"c\\d");
  EXPECT_EQ(head.data, "dword:1 ");
  EXPECT_EQ(head.error, "");

  head = ReadValueHead("@ = \"x\"");
  EXPECT_TRUE(head.named && head.is_default);
  EXPECT_EQ(head.name, "");
  EXPECT_EQ(head.data, "\"x\"");

  // A name that reads without its "=" is still named, so that a salvaging
  // read can say which value was lost.
  head = ReadValueHead("\"a\" dword:1");
  EXPECT_TRUE(head.named);
  EXPECT_EQ(head.name, "a");
  EXPECT_EQ(head.error, "missing '=' after the value name");

  head = ReadValueHead("\"a\\\"=dword:1");  // the quote is escaped: never closed
  EXPECT_FALSE(head.named);
  EXPECT_EQ(head.error, "unterminated value name");
}

}  // namespace
}  // namespace sandloop::regfile
