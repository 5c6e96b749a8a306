#pragma once
// The inner loops of BltFast: a rectangle of w x h pixels copied between two
// surfaces of the same depth, plainly or skipping the pixels whose stored
// value equals the source colour key. Callers have already clipped and
// checked the rectangle; these only move bytes.
//
// The keyed copy has a plain loop and an AVX2 one that gives the same bytes;
// BlitKeyed takes the AVX2 loop when the processor has it (checked at run
// time, so the program still runs on processors without it).
#include <cstdint>

namespace sandloop::display {

void BlitOpaque(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, int w, int h,
                int bpp);
void BlitKeyed(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, int w, int h,
               int bpp, std::uint32_t key);
void FillRect(std::uint8_t* dst, int dst_pitch, int w, int h, int bpp, std::uint32_t value);

// A nearest-neighbour stretch of a src_w x src_h source over a rectangle of
// dst_w x dst_h pixels, of which the part (x, y, w, h), in the rectangle's
// own coordinates, is written.
struct StretchGeometry {
  int src_w = 0, src_h = 0;
  std::int64_t dst_w = 0, dst_h = 0;
  std::int64_t x = 0, y = 0, w = 0, h = 0;
};
// Writes the part: its pixel (x + i, y + j) takes the source's pixel
// ((x + i) * src_w / dst_w, (y + j) * src_h / dst_h). `dst` points at the
// part's first pixel, `src` at the source's. With `keyed`, source pixels
// equal to `key` leave the destination as it was. An unkeyed row that
// repeats the source row of the row above is copied from that row.
void StretchNearest(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch,
                    const StretchGeometry& g, int bpp, bool keyed, std::uint32_t key);

// The individual paths, for tests and benchmarks. BlitKeyedAvx2 may only be
// called when CpuHasAvx2() is true.
bool CpuHasAvx2();
void BlitKeyedPlain(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, int w, int h,
                    int bpp, std::uint32_t key);
void BlitKeyedAvx2(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, int w, int h,
                   int bpp, std::uint32_t key);

}  // namespace sandloop::display
