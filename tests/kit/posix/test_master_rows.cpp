// A master whose header claims a large picture costs memory only for what
// its bytes hold: the peak resident memory of reading it (whole, or scaled
// while read) stays small, whatever the header says.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "kit/MasterRows.h"
#include "kit/RgbaPicture.h"
#include "tests/kit/MasterBytes.h"

namespace sandloop {
namespace {

// The peak resident memory in kB since the last ResetPeak().
long PeakKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key)
    if (key == "VmHWM:") return status >> value ? value : 0;
  return 0;
}
bool ResetPeak() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
  out.flush();
  return static_cast<bool>(out);
}

// A header, then the zlib stream of `row_bytes` zero bytes cut short:
// the start of a picture whose file stops early.
std::vector<std::uint8_t> Cut(const char* magic, std::uint32_t w, std::uint32_t h, std::size_t row_bytes) {
  std::vector<std::uint8_t> stream = Deflated(std::vector<std::uint8_t>(row_bytes, 0));
  stream.resize(stream.size() - 4);
  return MasterFile(magic, w, h, stream);
}

// What a refused file may cost at the peak. The sanitizers' own bookkeeping
// grows with the memory a call touches, so their builds allow more; the
// refused claims are 64 to 256 MiB either way.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr long kPeakKb = 32 * 1024;
#else
constexpr long kPeakKb = 8 * 1024;
#endif

TEST(MasterRowsMemory, ALargeClaimIsRefusedBeforeAnyLargeAllocation) {
  std::vector<std::uint8_t> huge = Cut("SLMA", 16384, 4096, 0);  // 28 bytes claiming 256 MiB
  huge.resize(28, 0);
  const std::vector<std::vector<std::uint8_t>> inputs = {
      huge,
      Cut("SLMA", 4096, 4096, 4096 * 4),      // 64 MiB claimed, one row of bytes
      Cut("SLMR", 8000, 2000, 4 * 1000),      // empty spans, then cut short
      Cut("SLMC", 8192, 2048, 8192 * 3 * 8),  // eight rows of 48 MiB
  };
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE(i);
    if (!ResetPeak()) GTEST_SKIP() << "the peak resident memory cannot be reset here";
    const long before = PeakKb();
    EXPECT_THROW((void)RgbaPicture::FromMaster(inputs[i], "big"), PictureError);
    EXPECT_THROW((void)ScaleRows(*OpenPicture(inputs[i], "big"), 960, 540), PictureError);
    EXPECT_LT(PeakKb() - before, kPeakKb) << "kB more at the peak";
  }
}

}  // namespace
}  // namespace sandloop
