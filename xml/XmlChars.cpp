// XmlChars: the byte class table and whole-name matching.
#include "XmlChars.h"

#include <cstring>

#include "CodePage.h"

namespace xmlchars {
namespace {
struct ClassTable {
    uint16_t bits[256];

    ClassTable() : bits()
    {
        const CodePage& cp = CodePage::Ansi();
        for (int c = 0; c < 256; ++c)
            if (cp.IsLeadByte(static_cast<unsigned char>(c))) bits[c] |= kLead;
        Mark(" \t\n\r", kBlank);
        Mark(" \t\n\r/>", kNameEnd);
        Mark(" \t\n\r<>=\\/?!", kTokenDelim);
        Mark("= \t\n\r>/?", kAttrNameEnd);
        Mark(" \t\n\r>", kAttrValueEnd);
        Mark("\"'", kQuote);
        Mark(">", kGt);
        Mark("<", kLt);
        Mark("/", kSlash);
        Mark("&", kAmp);
    }

    void Mark(const char* pChars, uint16_t nBit)
    {
        for (; *pChars; ++pChars) bits[static_cast<unsigned char>(*pChars)] |= nBit;
    }
};

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsNameContinuation(char c)
{
    return c == ' ' || c == '=' || c == '/' || c == '[' || c == ']';
}

// Compares n bytes as characters: both bytes of a double-byte character must be equal, so that a second
// byte that happens to be a letter is never folded.
bool EqualNoCase(const uint16_t* pTable, const char* a, const char* b, size_t n)
{
    for (size_t i = 0; i < n;) {
        if ((ClassOf(pTable, a[i]) & kLead) && i + 1 < n) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            i += 2;
        } else {
            if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
            ++i;
        }
    }
    return true;
}
}  // namespace

const uint16_t* Table()
{
    static const ClassTable table;
    return table.bits;
}

bool NameMatches(const char* pRequested, size_t nRequested, const char* pCandidate, size_t nCandidate,
                 bool bIgnoreCase)
{
    if (nRequested < nCandidate) return false;
    bool bSame = bIgnoreCase ? EqualNoCase(Table(), pRequested, pCandidate, nCandidate)
                             : std::memcmp(pRequested, pCandidate, nCandidate) == 0;
    return bSame && (nRequested == nCandidate || IsNameContinuation(pRequested[nCandidate]));
}

}  // namespace xmlchars
