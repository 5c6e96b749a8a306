// zlib, asked to finish the stream in one call: it stays in its fast loop
// far longer than when it is asked for a row at a time.
#include "kit/WholeInflate.h"

#include <zlib.h>

#include <climits>

namespace sandloop {

Inflated InflateWhole(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  if (in.size() > UINT_MAX || out.size() > UINT_MAX) return {};
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return {};
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&z, Z_FINISH);
  Inflated r;
  if (rc == Z_STREAM_END) r = {true, z.total_out, z.total_in};
  inflateEnd(&z);
  return r;
}

}  // namespace sandloop
