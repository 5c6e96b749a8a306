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

// The individual paths, for tests and benchmarks. BlitKeyedAvx2 may only be
// called when CpuHasAvx2() is true.
bool CpuHasAvx2();
void BlitKeyedPlain(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, int w, int h,
                    int bpp, std::uint32_t key);
void BlitKeyedAvx2(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, int w, int h,
                   int bpp, std::uint32_t key);

}  // namespace sandloop::display
