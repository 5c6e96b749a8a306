#pragma once
// Turning a composed page into what the viewer sees: conversion of the
// page's depth to 32-bit XRGB, with the gamma ramp applied to each channel
// (the high byte of each ramp entry) where one is set. Every back end
// (headless, SDL, Windows) presents through it.
#include <cstdint>

#include "kit/ddraw/backend.h"

namespace sandloop::display {

// Per-channel 8-bit lookup tables taken from a ramp. When every table of
// the ramp is linear (entry i = i * step modulo 65536, as the kit's ramps
// are), the steps are kept too: such a ramp is a multiply per channel,
// which every x86-64 CPU can do 8 channels at a time.
// The 5- and 6-bit fields of 16-bit pages are kept expanded-then-looked-up,
// both as parts of an XRGB value and as bytes (for the vector path), so
// that no present builds a table of its own.
struct RampTables {
  std::uint8_t red[256];
  std::uint8_t green[256];
  std::uint8_t blue[256];
  bool linear = false;
  std::uint16_t step_red = 0, step_green = 0, step_blue = 0;
  std::uint32_t red565[32];    // shifted into bits 16..23
  std::uint32_t green565[64];  // shifted into bits 8..15
  std::uint32_t blue565[32];
  std::uint8_t red565_bytes[64];  // entries 32..63 unused (0)
  std::uint8_t green565_bytes[64];
  std::uint8_t blue565_bytes[64];  // entries 32..63 unused (0)
};
RampTables MakeRampTables(const Ramp& ramp);

// The tables of the ramp last presented, built again only when the ramp's
// content changes: the scene sets a ramp at most once per timer tick but
// presents far more often, and a present then costs one 1,536-byte compare
// instead of a rebuild. Not thread-safe: each back end keeps its own and
// presents from one thread (or under its own lock).
class RampTableCache {
 public:
  // The tables for `ramp`; null for a null (neutral) ramp.
  const RampTables* For(const Ramp* ramp);
  // How many times tables were built (for tests).
  [[nodiscard]] int Builds() const { return builds_; }

 private:
  bool have_ = false;
  Ramp ramp_{};
  RampTables tables_{};
  int builds_ = 0;
};

// Converts `page` into `dst` (32-bit XRGB rows of `dst_pitch` bytes),
// through `tables` when not null. Uses AVX-512 VBMI where the CPU has it;
// the result is the same bit for bit as ConvertPagePortable's.
void ConvertPage(const PageView& page, std::uint8_t* dst, int dst_pitch, const RampTables* tables);
// The path of CPUs without it, kept callable so that tests and benchmarks
// compare both; `avx2` false also leaves out AVX2 where the CPU has it.
void ConvertPagePortable(const PageView& page, std::uint8_t* dst, int dst_pitch, const RampTables* tables,
                         bool avx2 = true);
// The part `r` of a page (r lies inside it).
inline PageView SubPage(const PageView& page, const Rect& r) {
  return PageView{page.pixels + static_cast<std::ptrdiff_t>(r.top) * page.pitch + r.left * (page.bpp / 8),
                  r.right - r.left, r.bottom - r.top, page.pitch, page.bpp};
}

// Whether ConvertPage takes the AVX-512 VBMI path on this CPU.
bool ConvertPageVectorised();

// Scales a 32-bit picture to another size, each target pixel taking the
// source pixel under its centre. Hosted and windowed displays use it when
// the window's size differs from the page's.
void Scale32(const std::uint8_t* src, int src_width, int src_height, int src_pitch, std::uint8_t* dst, int dst_width,
             int dst_height, int dst_pitch);

}  // namespace sandloop::display
