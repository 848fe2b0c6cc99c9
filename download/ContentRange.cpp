// ContentRangeTotal: reads the length after the slash of a bytes range.
#include "ContentRange.h"

#include <cstring>

namespace {

// Reads the decimal digits at p into value; false without a digit or past 32 bits.
bool ReadNumber(const char*& p, uint64_t& value)
{
    if (*p < '0' || *p > '9') return false;
    value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > UINT32_MAX) return false;
    }
    return true;
}

}  // namespace

bool ContentRangeTotal(const char* value, uint32_t& total)
{
    const char* p = value;
    while (*p == ' ' || *p == '\t') ++p;
    if (std::strncmp(p, "bytes ", 6) != 0) return false;
    p += 6;
    uint64_t first = 0, last = 0, length = 0;
    const bool unsatisfied = *p == '*';
    if (unsatisfied) {
        ++p;
    } else {
        if (!ReadNumber(p, first) || *p++ != '-' || !ReadNumber(p, last) || last < first) return false;
    }
    if (*p++ != '/' || !ReadNumber(p, length)) return false;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != '\0' || (!unsatisfied && last >= length)) return false;
    total = static_cast<uint32_t>(length);
    return true;
}
