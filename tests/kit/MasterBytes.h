#pragma once
// Inputs of the master reader made by the tests: a zlib stream of some
// bytes, and a master file around a stream (kind, width and height as
// little-endian 32-bit numbers, then the stream).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sandloop {

inline std::vector<std::uint8_t> Deflated(const std::vector<std::uint8_t>& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<std::uint8_t> out(size);
  EXPECT_EQ(compress(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size())), Z_OK);
  out.resize(size);
  return out;
}

inline std::vector<std::uint8_t> MasterFile(const char* magic, std::uint32_t w, std::uint32_t h,
                                            const std::vector<std::uint8_t>& stream) {
  std::vector<std::uint8_t> out(magic, magic + 4);
  for (std::uint32_t v : {w, h})
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

}  // namespace sandloop
