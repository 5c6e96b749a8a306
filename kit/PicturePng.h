#pragma once
// PNG files of pictures, through the platform's codec (libpng, or the
// Windows Imaging Component): frames written by the file
// renderer and the headless display's screenshots, and PNG pictures read
// back (by tests, and by anything that keeps its masters as PNG).
#include <cstdint>
#include <span>
#include <string>

#include "kit/Picture.h"

namespace sandloop {

// Writes `picture` as a compressed 8-bit RGB PNG file; false when the
// picture is empty or the file cannot be written.
bool WritePng(const Picture& picture, const std::string& path);

// Decodes a PNG of any colour type and bit depth to 0x00RRGGBB pixels
// (alpha is dropped, grey becomes RGB). A damaged file is a PictureError
// naming `name`.
[[nodiscard]] Picture ReadPng(std::span<const std::uint8_t> bytes, const std::string& name);

// ReadPng of a whole file; a PictureError when it cannot be read.
[[nodiscard]] Picture ReadPngFile(const std::string& path);

}  // namespace sandloop
