// XmlChars: byte classes shared by the XML scanner and tokenizers, with the code page's lead bytes folded in.
#pragma once

#include <cstddef>
#include <cstdint>

namespace xmlchars {

enum : uint16_t {
    kLead = 0x001,          // opens a double-byte character of the ANSI code page
    kBlank = 0x002,         // " \t\n\r"
    kNameEnd = 0x004,       // ends a tag name in the scanner: " \t\n\r/>"
    kTokenDelim = 0x008,    // ends a name token: " \t\n\r<>=\/?!"
    kAttrNameEnd = 0x010,   // ends an attribute name: "= \t\n\r>/?"
    kAttrValueEnd = 0x020,  // ends an unquoted attribute value: " \t\n\r>"
    kQuote = 0x040,         // '"' and '\''
    kGt = 0x080,            // '>'
    kLt = 0x100,            // '<'
    kSlash = 0x200,         // '/'
    kAmp = 0x400            // '&'
};

// The class bits of every byte value.
const uint16_t* Table();

inline uint16_t ClassOf(const uint16_t* pTable, char c)
{
    return pTable[static_cast<unsigned char>(c)];
}

// Offset of the character after the one at i: a lead byte takes its second byte along unless the text
// ends first, so a second byte is never seen as a character of its own.
inline uint32_t Step(const uint16_t* pTable, const char* s, uint32_t nLen, uint32_t i)
{
    return ((pTable[static_cast<unsigned char>(s[i])] & kLead) && i + 1 < nLen) ? i + 2 : i + 1;
}

// Offset of the first byte from i whose class has a bit of nStop, or nLen. Unrolled: the scanner spends
// most of its time here, in long attribute values and text.
inline uint32_t SkipUntil(const uint16_t* pTable, const char* s, uint32_t nLen, uint32_t i, uint16_t nStop)
{
    for (; nLen - i >= 4; i += 4) {
        if (ClassOf(pTable, s[i]) & nStop) return i;
        if (ClassOf(pTable, s[i + 1]) & nStop) return i + 1;
        if (ClassOf(pTable, s[i + 2]) & nStop) return i + 2;
        if (ClassOf(pTable, s[i + 3]) & nStop) return i + 3;
    }
    while (i < nLen && !(ClassOf(pTable, s[i]) & nStop)) ++i;
    return i;
}

// A requested name matches a candidate name when it begins with the candidate and ends there or goes on
// with one of " =/[]". Case is ignored for single-byte letters only when bIgnoreCase is set.
bool NameMatches(const char* pRequested, size_t nRequested, const char* pCandidate, size_t nCandidate,
                 bool bIgnoreCase);

}  // namespace xmlchars
