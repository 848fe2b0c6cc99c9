// ContentRangeTotal: the complete length a Content-Range header gives (RFC 9110, 14.4); portable.
#pragma once

#include <cstdint>

// value: the header's value, "bytes 0-0/1234" or, for an unsatisfiable range, "bytes */1234". True and the
// length in total when the value names one that fits 32 bits; false for "*", a malformed value or a larger one.
bool ContentRangeTotal(const char* value, uint32_t& total);
