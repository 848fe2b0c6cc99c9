// Entity references: XmlDocument's decoding of named and numeric references, and the encoding back.
#include "XmlEntities.h"

#include <cstdlib>
#include <cstring>

#include "CodePage.h"
#include "XmlChars.h"
#include "XmlDocument.h"

using namespace xmlchars;

namespace {
// Decoding tries the names in this order.
struct Entity {
    char ch;
    const char* pName;  // with its ";"
    size_t nName;
};
const Entity kEntities[] = {
    {'<', "lt;", 3}, {'&', "amp;", 4}, {'>', "gt;", 3}, {'\'', "apos;", 5}, {'"', "quot;", 5},
};

// A numeric reference needs its ";" within this many characters after "&#" or "&#x".
const size_t kMaxDigits = 8;

// Decodes the reference whose "&" is at i into strOut; returns the bytes it takes, or 0 when none starts
// there and the "&" stands for itself.
size_t DecodeReference(const char* p, size_t nLen, size_t i, CString& strOut)
{
    if (i + 1 < nLen && p[i + 1] == '#') {
        size_t q = i + 2;
        int nBase = 10;
        if (q < nLen && p[q] == 'x') {
            nBase = 16;
            ++q;
        }
        const size_t nLimit = nLen - q < kMaxDigits ? nLen : q + kMaxDigits;
        size_t nSemi = q;
        while (nSemi < nLimit && p[nSemi] != ';') ++nSemi;
        if (nSemi >= nLimit) return 0;
        char digits[kMaxDigits + 1];
        std::memcpy(digits, p + q, nSemi - q);
        digits[nSemi - q] = '\0';
        const long nCode = std::strtol(digits, nullptr, nBase);
        if (nCode == 0 || !CodePage::Ansi().AppendChar(nCode, strOut)) return 0;
        return nSemi + 1 - i;
    }
    for (const Entity& e : kEntities) {
        if (nLen - (i + 1) >= e.nName && std::memcmp(p + i + 1, e.pName, e.nName) == 0) {
            strOut += e.ch;
            return 1 + e.nName;
        }
    }
    return 0;
}
}  // namespace

CString XmlDocument::DecodeEntities(const char* pText, int nLength)
{
    if (!pText) return CString();
    const size_t nLen = nLength < 0 ? std::strlen(pText) : static_cast<size_t>(nLength);
    const uint16_t* table = Table();
    CString strOut;
    size_t i = 0;
    while (i < nLen) {
        // Copy the run of characters up to the next "&", stepping whole characters.
        size_t j = i;
        while (j < nLen && pText[j] != '&') j += ((ClassOf(table, pText[j]) & kLead) && j + 1 < nLen) ? 2 : 1;
        if (j > i) strOut += CString(pText + i, static_cast<int>(j - i));
        if (j >= nLen) break;
        const size_t nUsed = DecodeReference(pText, nLen, j, strOut);
        if (nUsed) {
            i = j + nUsed;
        } else {
            strOut += '&';
            i = j + 1;
        }
    }
    return strOut;
}

CString EncodeEntities(const CString& strText)
{
    const uint16_t* table = Table();
    const char* p = strText;
    const uint32_t nLen = static_cast<uint32_t>(strText.GetLength());
    CString strOut;
    uint32_t nRun = 0;  // start of the characters not yet copied
    for (uint32_t i = 0; i < nLen;) {
        const uint32_t nNext = Step(table, p, nLen, i);
        const Entity* pEntity = nullptr;
        for (const Entity& e : kEntities)
            if (nNext == i + 1 && e.ch == p[i]) pEntity = &e;
        if (pEntity) {
            strOut += CString(p + nRun, static_cast<int>(i - nRun));
            strOut += '&';
            strOut += pEntity->pName;
            nRun = nNext;
        }
        i = nNext;
    }
    strOut += CString(p + nRun, static_cast<int>(nLen - nRun));
    return strOut;
}
