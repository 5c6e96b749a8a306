// Reading a PNG file from disk; the codec itself is the platform's
// (libpng, or the Windows Imaging Component).
#include "kit/PicturePng.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace sandloop {

Picture ReadPngFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PictureError("picture \"" + path + "\" cannot be read");
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ReadPng(bytes, path);
}

}  // namespace sandloop
