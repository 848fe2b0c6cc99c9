// XmlDocument's node scanner and name tokens: one node per call, stepping whole characters of the code page.
#include "XmlDocument.h"

#include <cstring>

#include "XmlChars.h"

using namespace xmlchars;

namespace {
const uint32_t kOpen = UINT32_MAX;  // the text ended before the node did

class NodeScanner {
public:
    NodeScanner(const char* s, uint32_t nLen, XmlDocument::NodePos& node)
        : m_s(s), m_nLen(nLen), m_pTable(Table()), m_node(node)
    {
    }

    // Scans the node at m_node.nStart; returns its kind and sets nEnd one past its last byte.
    int Scan(uint32_t& nEnd)
    {
        const uint32_t start = m_node.nStart;
        if (m_s[start] != '<') return ScanText(start, nEnd);
        if (start + 1 >= m_nLen) return Unterminated("tag", nEnd);
        char c = m_s[start + 1];
        if (IsStartTagChar(c)) {
            m_node.nNameStart = start + 1;
            m_node.nNameLength = SkipName(start + 1) - (start + 1);
            bool bEmpty = false;
            uint32_t end = SkipStartTag(start + 1, bEmpty);
            if (end == kOpen) return Unterminated("Element tag", nEnd);
            if (bEmpty) m_node.nFlags |= XmlDocument::XNF_EMPTY_TAG;
            nEnd = end;
            return XNODE_ELEMENT;
        }
        if (c == '/') {
            m_node.nNameStart = start + 2;
            m_node.nNameLength = SkipName(start + 2) - (start + 2);
            uint32_t end = SkipTo(start + 2 + m_node.nNameLength, kGt);
            if (end == kOpen) return Unterminated("Element end tag", nEnd);
            nEnd = end;
            return XNODE_END_TAG;
        }
        if (c == '?') {
            m_node.nNameStart = start + 2;
            m_node.nNameLength = SkipName(start + 2) - (start + 2);
            uint32_t end = SkipDelimited(start + 2, start, "?>");
            if (end == kOpen) return Unterminated("Processing instruction", nEnd);
            nEnd = end;
            return XNODE_PI;
        }
        if (c == '!') return ScanBang(start + 2, nEnd);
        return Incorrect("tag name character", start + 1, nEnd);
    }

private:
    static bool IsStartTagChar(char ch)
    {
        unsigned char c = static_cast<unsigned char>(ch);
        return (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x61;
    }

    uint16_t Class(uint32_t i) const { return ClassOf(m_pTable, m_s[i]); }
    uint32_t Step(uint32_t i) const { return xmlchars::Step(m_pTable, m_s, m_nLen, i); }
    uint32_t Until(uint32_t i, uint16_t nStop) const { return SkipUntil(m_pTable, m_s, m_nLen, i, nStop); }

    // Blanks up to a "<" (or the end) are whitespace; anything else makes the node text, which ends before
    // a "<" or just after a ">".
    int ScanText(uint32_t i, uint32_t& nEnd) const
    {
        while (i < m_nLen && (Class(i) & kBlank)) ++i;
        if (i >= m_nLen || m_s[i] == '<') {
            nEnd = i;
            return XNODE_WHITESPACE;
        }
        nEnd = SkipErrorOrText(i);
        if (nEnd == kOpen) nEnd = m_nLen;
        return XNODE_TEXT;
    }

    // After "<!": comment, CDATA section, doctype, or a declaration that is an error outside a doctype.
    int ScanBang(uint32_t i, uint32_t& nEnd)
    {
        if (i >= m_nLen) return Unterminated("tag", nEnd);
        const uint32_t start = m_node.nStart;
        switch (m_s[i]) {
        case '-':
            if (i + 1 >= m_nLen) return Unterminated("tag", nEnd);
            if (m_s[i + 1] != '-') return Incorrect("comment tag", i + 1, nEnd);
            nEnd = SkipDelimited(i + 2, start, "-->");
            return nEnd == kOpen ? Unterminated("Comment", nEnd) : XNODE_COMMENT;
        case '[':
            if (i + 1 >= m_nLen) return Unterminated("tag", nEnd);
            if (m_s[i + 1] != 'C') return Incorrect("tag", i + 1, nEnd);
            nEnd = SkipDelimited(i + 2, start, "]]>");
            return nEnd == kOpen ? Unterminated("CDATA Section", nEnd) : XNODE_CDATA;
        case 'D':
            return ScanDoctype(i + 1, nEnd);
        case 'E':
        case 'A':
        case 'N':
            return ErrorNode(i, nEnd);
        default:
            return Incorrect("! tag", i, nEnd);
        }
    }

    // Doctype mode: nested markup (tags, processing instructions, comments, declarations) is skipped to its
    // own delimiter; the first ">" outside it ends the doctype. An error inside makes the node an error.
    int ScanDoctype(uint32_t i, uint32_t& nEnd)
    {
        while (i < m_nLen) {
            char c = m_s[i];
            if (c == '>') {
                nEnd = i + 1;
                return XNODE_DOCTYPE;
            }
            if (c != '<') {
                i = Step(i);
                continue;
            }
            const uint32_t lt = i;
            if (lt + 1 >= m_nLen) break;
            char c1 = m_s[lt + 1];
            if (IsStartTagChar(c1)) {
                bool bEmpty = false;
                i = SkipStartTag(lt + 1, bEmpty);
            } else if (c1 == '/') {
                i = SkipTo(lt + 2, kGt);
            } else if (c1 == '?') {
                i = SkipDelimited(lt + 2, lt, "?>");
            } else if (c1 == '!') {
                if (lt + 2 >= m_nLen) break;
                char c2 = m_s[lt + 2];
                if (c2 == '-') {
                    if (lt + 3 >= m_nLen) break;
                    if (m_s[lt + 3] != '-') return Incorrect("comment tag", lt + 3, nEnd);
                    i = SkipDelimited(lt + 4, lt, "-->");
                } else if (c2 == 'E' || c2 == 'A' || c2 == 'N') {
                    i = SkipTo(lt + 2, kGt);
                } else {
                    return Incorrect("! tag", lt + 2, nEnd);
                }
            } else {
                return Incorrect("tag name character", lt + 1, nEnd);
            }
            if (i == kOpen) break;
        }
        return Unterminated("Doctype", nEnd);
    }

    // End of a name recorded from i: the first of " \t\n\r/>".
    uint32_t SkipName(uint32_t i) const
    {
        for (i = Until(i, kLead | kNameEnd); i < m_nLen && (Class(i) & kLead); i = Until(Step(i), kLead | kNameEnd)) {
        }
        return i;
    }

    // One past the first character of class nStop from i, or kOpen.
    uint32_t SkipTo(uint32_t i, uint16_t nStop) const
    {
        for (i = Until(i, kLead | nStop); i < m_nLen; i = Until(Step(i), kLead | nStop))
            if (Class(i) & nStop) return i + 1;
        return kOpen;
    }

    // A start tag from its name: quotes hide ">", and a ">" right after "/" closes an empty element.
    uint32_t SkipStartTag(uint32_t i, bool& bEmpty) const
    {
        char chQuote = 0;
        uint32_t lastSlash = kOpen;
        for (;;) {
            i = Until(i, chQuote ? kLead | kQuote : kLead | kQuote | kGt | kSlash);
            if (i >= m_nLen) return kOpen;
            const char c = m_s[i];
            if (Class(i) & kQuote) {
                if (!chQuote)
                    chQuote = c;
                else if (chQuote == c)
                    chQuote = 0;
            } else if (c == '>') {
                bEmpty = lastSlash + 1 == i;
                return i + 1;
            } else if (c == '/') {
                lastSlash = i;
            }
            i = Step(i);
        }
    }

    // A node closed by a multi-character delimiter: a ">" ends it when the characters just before it are
    // the rest of the delimiter. The opener's characters count (from nOpener), a second byte never does,
    // and a ">" at an offset not beyond the delimiter's length never ends it.
    uint32_t SkipDelimited(uint32_t i, uint32_t nOpener, const char* pDelim) const
    {
        const uint32_t nDelim = static_cast<uint32_t>(std::strlen(pDelim));
        uint32_t singleFrom = nOpener;  // every character from here to i is a single byte
        for (i = Until(i, kLead | kGt); i < m_nLen; i = Until(i, kLead | kGt)) {
            if (Class(i) & kLead) {
                i = Step(i);
                singleFrom = i;
                continue;
            }
            if (i > nDelim && EndsDelimiter(i, singleFrom, pDelim, nDelim)) return i + 1;
            ++i;
        }
        return kOpen;
    }

    bool EndsDelimiter(uint32_t i, uint32_t singleFrom, const char* pDelim, uint32_t nDelim) const
    {
        for (uint32_t k = 1; k < nDelim; ++k) {
            uint32_t p = i - k;
            if (p < singleFrom || m_s[p] != pDelim[nDelim - 1 - k]) return false;
        }
        return true;
    }

    // Text and error nodes end before a "<" or just after a ">"; kOpen when the text ends first.
    uint32_t SkipErrorOrText(uint32_t i) const
    {
        for (i = Until(i, kLead | kLt | kGt); i < m_nLen; i = Until(Step(i), kLead | kLt | kGt)) {
            if (Class(i) & kLt) return i;
            if (Class(i) & kGt) return i + 1;
        }
        return kOpen;
    }

    // An error node goes on from the offending character at i to the end of the markup.
    int ErrorNode(uint32_t i, uint32_t& nEnd)
    {
        nEnd = SkipErrorOrText(i);
        if (nEnd == kOpen) {
            if (m_node.strText.IsEmpty()) m_node.strText.Format("tag at offset %d unterminated", Offset());
            nEnd = m_nLen;
        }
        return XNODE_ERROR;
    }

    int Incorrect(const char* pWhat, uint32_t i, uint32_t& nEnd)
    {
        m_node.strText.Format("Incorrect %s at offset %d", pWhat, Offset());
        return ErrorNode(i, nEnd);
    }

    int Unterminated(const char* pWord, uint32_t& nEnd)
    {
        m_node.strText.Format("%s at offset %d unterminated", pWord, Offset());
        nEnd = m_nLen;
        return XNODE_ERROR;
    }

    int Offset() const { return static_cast<int>(m_node.nStart); }

    const char* m_s;
    uint32_t m_nLen;
    const uint16_t* m_pTable;
    XmlDocument::NodePos& m_node;
};
}  // namespace

int XmlDocument::ScanNode(TokenPos& token, NodePos& node)
{
    node.nStart = token.nNext;
    node.nFlags = 0;
    node.nNameStart = 0;
    node.nNameLength = 0;
    node.strText.Empty();
    if (token.nNext >= token.nLen) {
        node.nLength = 0;
        return node.nKind = XNODE_END;
    }
    uint32_t end = 0;
    NodeScanner scanner(token.pDoc, token.nLen, node);
    node.nKind = scanner.Scan(end);
    node.nLength = end - node.nStart;
    token.nNext = end;
    return node.nKind;
}

bool XmlDocument::SkipWhitespace(const char* pDoc, uint32_t nLen, uint32_t& nOffset)
{
    const uint16_t* table = Table();
    while (nOffset < nLen && (ClassOf(table, pDoc[nOffset]) & kBlank)) ++nOffset;
    return nOffset < nLen;
}

bool XmlDocument::ScanName(TokenPos& token)
{
    const uint16_t* table = Table();
    uint32_t i = token.nNext;
    token.bQuoted = false;
    if (!SkipWhitespace(token.pDoc, token.nLen, i)) {
        token.nNext = token.nL = token.nR = i;
        return false;
    }
    token.nL = i;
    if (ClassOf(table, token.pDoc[i]) & kTokenDelim) {
        ++i;
    } else {
        while (i < token.nLen && !(ClassOf(table, token.pDoc[i]) & kTokenDelim))
            i = Step(table, token.pDoc, token.nLen, i);
    }
    token.nR = token.nNext = i;
    return true;
}
