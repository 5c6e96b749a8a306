#pragma once
// The few system services of the kit and the shell that are not display
// operations: a millisecond clock, system metrics and message boxes.
#include <cstdint>
#include <string>

#include "kit/ddraw/ddraw.h"

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CMONITORS = 80;

constexpr unsigned MB_OK = 0x00000000;
constexpr int IDOK = 1;

// Milliseconds since an arbitrary start, wrapping at 2^32.
std::uint32_t timeGetTime();

// SM_CMONITORS: the number of monitors (1 without a display back end);
// SM_CXSCREEN / SM_CYSCREEN: the desktop's size. Anything else is 0.
int GetSystemMetrics(int index);

// A modal message box. With no display back end, or one that cannot show
// windows, the message goes to standard error as "caption: text".
int MessageBoxA(HWND owner, const std::string& text, const std::string& caption, unsigned type);
