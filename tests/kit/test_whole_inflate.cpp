// A zlib stream inflated whole, by the platform's inflater: it succeeds only
// when the stream ends, checks out and fits, and tells where the stream
// ended, so that bytes after it can be told apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "kit/WholeInflate.h"
#include "tests/kit/MasterBytes.h"

namespace sandloop {
namespace {

TEST(WholeInflate, FillsExactlyWhatTheStreamHoldsAndTellsWhereItEnds) {
  std::vector<std::uint8_t> plain(5000);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i * 7 % 251);
  std::vector<std::uint8_t> stream = Deflated(plain);
  const std::size_t length = stream.size();
  stream.insert(stream.end(), {1, 2, 3});  // bytes after the stream
  std::vector<std::uint8_t> room(plain.size() + 100, 0xEE);
  const Inflated got = InflateWhole(stream, room);
  ASSERT_TRUE(got.ok);
  EXPECT_EQ(got.written, plain.size());
  EXPECT_EQ(got.consumed, length);
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), room.begin()));

  // Exactly enough room is enough; a byte less is not.
  std::vector<std::uint8_t> exact(plain.size());
  EXPECT_TRUE(InflateWhole(stream, exact).ok);
  std::vector<std::uint8_t> short_room(plain.size() - 1);
  EXPECT_FALSE(InflateWhole(stream, short_room).ok);
}

TEST(WholeInflate, ABrokenOrCutStreamIsNotOk) {
  const std::vector<std::uint8_t> plain(3000, 42);
  const std::vector<std::uint8_t> stream = Deflated(plain);
  std::vector<std::uint8_t> room(plain.size());
  std::vector<std::uint8_t> cut(stream.begin(), stream.end() - 5);
  EXPECT_FALSE(InflateWhole(cut, room).ok);
  std::vector<std::uint8_t> bad_check = stream;
  bad_check.back() ^= 0x01;  // the stream's checksum
  EXPECT_FALSE(InflateWhole(bad_check, room).ok);
  EXPECT_FALSE(InflateWhole(std::vector<std::uint8_t>{0x78, 0x9C, 0xFF, 0xFF}, room).ok);
  EXPECT_FALSE(InflateWhole({}, room).ok);
}

}  // namespace
}  // namespace sandloop
