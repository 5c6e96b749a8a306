#pragma once
// Conversions between 0x00RRGGBB colours and the stored pixel values of the
// three surface depths, and single-pixel access. 16-bit values are RGB565;
// expanding back repeats the high bits so that white stays white.
#include <cstdint>
#include <cstring>

namespace sandloop::display {

inline std::uint32_t EncodePixel(std::uint32_t rgb, int bpp) {
  if (bpp == 16) {
    const std::uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
  }
  return rgb & 0xFFFFFFu;
}

inline std::uint32_t DecodePixel(std::uint32_t value, int bpp) {
  if (bpp == 16) {
    const std::uint32_t r5 = (value >> 11) & 0x1F, g6 = (value >> 5) & 0x3F, b5 = value & 0x1F;
    const std::uint32_t r = (r5 << 3) | (r5 >> 2), g = (g6 << 2) | (g6 >> 4), b = (b5 << 3) | (b5 >> 2);
    return (r << 16) | (g << 8) | b;
  }
  return value & 0xFFFFFFu;
}

inline std::uint32_t LoadPixel(const std::uint8_t* p, int bpp) {
  switch (bpp) {
    case 16: {
      std::uint16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    case 24:
      return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
             (static_cast<std::uint32_t>(p[2]) << 16);
    default: {
      std::uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
  }
}

inline void StorePixel(std::uint8_t* p, int bpp, std::uint32_t value) {
  switch (bpp) {
    case 16: {
      const std::uint16_t v = static_cast<std::uint16_t>(value);
      std::memcpy(p, &v, 2);
      break;
    }
    case 24:
      p[0] = static_cast<std::uint8_t>(value);
      p[1] = static_cast<std::uint8_t>(value >> 8);
      p[2] = static_cast<std::uint8_t>(value >> 16);
      break;
    default:
      std::memcpy(p, &value, 4);
      break;
  }
}

// The mask of the bits a pixel of this depth uses.
inline std::uint32_t PixelMask(int bpp) {
  return bpp >= 32 ? 0xFFFFFFFFu : ((1u << bpp) - 1u);
}

}  // namespace sandloop::display
