// XmlDocument's cursor: element search among siblings and attribute reading.
#include "XmlDocument.h"

#include <cstring>

#include "XmlChars.h"

using namespace xmlchars;

namespace {
enum class TokenMode { Name, Value };

// One attribute token from token.nNext: a quoted string (without its quotes), or a run that ends at the
// mode's delimiters; an empty run is the single delimiter character. False at the end of the text.
bool NextToken(XmlDocument::TokenPos& token, TokenMode mode)
{
    const uint16_t* table = Table();
    const char* s = token.pDoc;
    uint32_t i = token.nNext;
    if (!XmlDocument::SkipWhitespace(s, token.nLen, i)) {
        token.nNext = i;
        return false;
    }
    const char c = s[i];
    if (ClassOf(table, c) & kQuote) {
        uint32_t j = i + 1;
        while (j < token.nLen && s[j] != c) j = Step(table, s, token.nLen, j);
        token.nL = i + 1;
        token.nR = j;
        token.nNext = j < token.nLen ? j + 1 : j;
        token.bQuoted = true;
        return true;
    }
    const uint16_t nStop = mode == TokenMode::Name ? kAttrNameEnd : kAttrValueEnd;
    uint32_t j = i;
    while (j < token.nLen && !(ClassOf(table, s[j]) & nStop)) j = Step(table, s, token.nLen, j);
    if (j == i) j = i + 1;
    token.nL = i;
    token.nR = token.nNext = j;
    token.bQuoted = false;
    return true;
}

bool IsUnquoted(const XmlDocument::TokenPos& token, char c)
{
    return !token.bQuoted && token.nR > token.nL && token.pDoc[token.nL] == c;
}

bool EndsTag(const XmlDocument::TokenPos& token)
{
    return IsUnquoted(token, '/') || IsUnquoted(token, '>') || IsUnquoted(token, '?');
}
}  // namespace

bool XmlDocument::FindElement(const char* pName)
{
    if (m_nNextFree == 0) return false;
    const int nFound = FindSibling(m_iPosParent, m_iPos, pName);
    if (!nFound) return false;
    m_iPosParent = static_cast<int>(Rec(static_cast<uint32_t>(nFound)).nParent);
    m_iPos = nFound;
    m_iPosChild = 0;
    m_nNodeOffset = m_nNodeLength = 0;
    m_nNodeType = XNODE_ELEMENT;
    return true;
}

int XmlDocument::FindSibling(int nParent, int nAfter, const char* pName) const
{
    const uint32_t nCount = m_nNextFree;
    if (nParent < 0 || nAfter < 0 || static_cast<uint32_t>(nParent) >= nCount ||
        static_cast<uint32_t>(nAfter) >= nCount)
        return 0;
    uint32_t nCandidate = nAfter ? Rec(static_cast<uint32_t>(nAfter)).nNext
                                 : Rec(static_cast<uint32_t>(nParent)).nFirstChild;
    if (!pName || !*pName) return static_cast<int>(nCandidate);
    const size_t nName = std::strlen(pName);
    const bool bIgnoreCase = (m_nDocFlags & XDF_IGNORECASE) != 0;
    TokenPos token(m_strDoc.GetString(), static_cast<uint32_t>(m_strDoc.GetLength()), m_nDocFlags);
    for (; nCandidate; nCandidate = Rec(nCandidate).nNext) {
        token.nNext = Rec(nCandidate).nStart + 1;
        if (ScanName(token) && NameMatches(pName, nName, token.pDoc + token.nL, token.nR - token.nL, bIgnoreCase))
            return static_cast<int>(nCandidate);
    }
    return 0;
}

CString XmlDocument::GetAttribute(const char* pName) const
{
    return GetAttributeAt(m_iPos, pName);
}

CString XmlDocument::GetAttributeAt(int nPos, const char* pName) const
{
    if (nPos < 0 || static_cast<uint32_t>(nPos) >= m_nNextFree) return CString();
    uint32_t nStart;
    if (nPos && m_nNodeType == XNODE_ELEMENT)
        nStart = Rec(static_cast<uint32_t>(nPos)).nStart + 1;
    else if (nPos == m_iPos && m_nNodeLength && m_nNodeType == XNODE_PI)
        nStart = m_nNodeOffset + 2;  // past "<?"
    else
        return CString();
    TokenPos token(m_strDoc.GetString(), static_cast<uint32_t>(m_strDoc.GetLength()), m_nDocFlags);
    token.nNext = nStart;
    if (!ScanAttribute(token, pName)) return CString();
    return DecodeEntities(token.pDoc + token.nL, static_cast<int>(token.nR - token.nL));
}

bool XmlDocument::ScanAttribute(TokenPos& token, const char* pName)
{
    const size_t nName = pName ? std::strlen(pName) : 0;
    const bool bIgnoreCase = (token.nFlags & XDF_IGNORECASE) != 0;
    if (!NextToken(token, TokenMode::Name)) return false;  // the tag name or target
    bool bMatched = false;
    uint32_t nMatchL = 0, nMatchR = 0;
    while (NextToken(token, TokenMode::Name)) {
        if (bMatched) {
            if (!IsUnquoted(token, '=')) {
                // No value: an attribute written as a bare name stands for itself.
                token.nL = nMatchL;
                token.nR = nMatchR;
                token.bQuoted = false;
                return true;
            }
            if (!NextToken(token, TokenMode::Value)) return false;
            if (IsUnquoted(token, '>')) token.nR = token.nL;  // "=" right before the tag's end: empty
            return true;
        }
        if (token.bQuoted) continue;
        if (EndsTag(token)) return false;
        if (IsUnquoted(token, '=')) {
            // Skip another attribute's value, unless the tag ends where the value should be.
            if (!NextToken(token, TokenMode::Value) || IsUnquoted(token, '>')) return false;
            continue;
        }
        if (NameMatches(pName ? pName : "", nName, token.pDoc + token.nL, token.nR - token.nL, bIgnoreCase)) {
            bMatched = true;
            nMatchL = token.nL;
            nMatchR = token.nR;
        }
    }
    return false;
}
