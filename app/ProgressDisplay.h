// ProgressDisplay: the arithmetic and texts of the installer window's progress presentation; portable.
#pragma once

#include <cstdint>

#include "CString.h"

namespace ProgressDisplay {

// Width in pixels of the filled bar, counted in whole KB and never under 2 pixels.
uint32_t FilledWidth(uint32_t downloaded, uint32_t total, uint32_t barWidth);

// Bytes in units of 1,048,576 with two decimals and the letter M: 10485760 gives "10.00M".
CString Megabytes(uint32_t bytes);

// Average speed in KB/s: 57 gives "57KB/秒".
CString Speed(uint32_t kbPerSecond);

// The promotional line shown for a tick of the rotation counter.
const char* PromotionLine(uint32_t counter);

}  // namespace ProgressDisplay
