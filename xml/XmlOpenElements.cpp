// XmlOpenElements: a stack of open elements with the end-tag search, by comparison or by a prefix index.
#include "XmlOpenElements.h"

#include "XmlChars.h"

using namespace xmlchars;

namespace {
const uint64_t kFnvOffset = 14695981039346656037ull;
const uint64_t kFnvPrime = 1099511628211ull;

bool IsCut(char c)
{
    return c == '=' || c == '[' || c == ']';
}

// The key of a prefix: its hash mixed with its length, so that prefixes of one name never share a key.
uint64_t PrefixKey(uint64_t nHash, uint32_t nLength)
{
    return (nHash ^ nLength) * kFnvPrime;
}

// Hashes a name byte by byte; with bIgnoreCase single-byte letters are folded, never a second byte.
class NameHasher {
public:
    explicit NameHasher(bool bIgnoreCase) : m_pTable(Table()), m_bIgnoreCase(bIgnoreCase) {}

    void Add(char c)
    {
        unsigned char b = static_cast<unsigned char>(c);
        if (m_bIgnoreCase && !m_bTrail && b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
        m_bTrail = !m_bTrail && (ClassOf(m_pTable, c) & kLead);
        m_nHash = (m_nHash ^ b) * kFnvPrime;
    }
    uint64_t Hash() const { return m_nHash; }

private:
    const uint16_t* m_pTable;
    bool m_bIgnoreCase;
    bool m_bTrail = false;
    uint64_t m_nHash = kFnvOffset;
};
}  // namespace

XmlOpenElements::XmlOpenElements(const char* pDoc, bool bIgnoreCase) : m_pDoc(pDoc), m_bIgnoreCase(bIgnoreCase)
{
    m_stack.reserve(6);
}

void XmlOpenElements::Push(const Entry& entry)
{
    if (m_stack.size() == m_stack.capacity()) m_stack.reserve(2 * m_stack.capacity() + 6);
    m_stack.push_back(entry);
    if (m_bIndexed) {
        IndexEntry(static_cast<uint32_t>(m_stack.size() - 1), true);
    } else if (m_stack.size() > kIndexDepth) {
        m_bIndexed = true;
        for (size_t i = 0; i < m_stack.size(); ++i) IndexEntry(static_cast<uint32_t>(i), true);
    }
}

void XmlOpenElements::Pop()
{
    if (m_bIndexed) IndexEntry(static_cast<uint32_t>(m_stack.size() - 1), false);
    m_stack.pop_back();
}

size_t XmlOpenElements::FindStartTag(uint32_t nNameStart, uint32_t nNameLength) const
{
    if (!m_bIndexed) return FindByScan(nNameStart, nNameLength);
    auto it = m_index.find(NameKey(nNameStart, nNameLength));
    if (it == m_index.end() || it->second.empty()) return 0;
    const uint32_t nDepth = it->second.back();
    if (Closes(m_stack[nDepth], nNameStart, nNameLength)) return m_stack.size() - nDepth;
    return FindByScan(nNameStart, nNameLength);  // two names share a key
}

size_t XmlOpenElements::FindByScan(uint32_t nNameStart, uint32_t nNameLength) const
{
    for (size_t k = 1; k <= m_stack.size(); ++k)
        if (Closes(FromTop(k), nNameStart, nNameLength)) return k;
    return 0;
}

bool XmlOpenElements::Closes(const Entry& open, uint32_t nNameStart, uint32_t nNameLength) const
{
    return NameMatches(m_pDoc + open.nNameStart, open.nNameLength, m_pDoc + nNameStart, nNameLength,
                       m_bIgnoreCase);
}

uint64_t XmlOpenElements::NameKey(uint32_t nStart, uint32_t nLength) const
{
    NameHasher hasher(m_bIgnoreCase);
    for (uint32_t i = 0; i < nLength; ++i) hasher.Add(m_pDoc[nStart + i]);
    return PrefixKey(hasher.Hash(), nLength);
}

void XmlOpenElements::IndexEntry(uint32_t nDepth, bool bAdd)
{
    const Entry& entry = m_stack[nDepth];
    const char* pName = m_pDoc + entry.nNameStart;
    NameHasher hasher(m_bIgnoreCase);
    for (uint32_t i = 0; i <= entry.nNameLength; ++i) {
        if (i == entry.nNameLength || IsCut(pName[i])) {
            const uint64_t nKey = PrefixKey(hasher.Hash(), i);
            if (bAdd)
                m_index[nKey].push_back(nDepth);
            else
                m_index[nKey].pop_back();
        }
        if (i < entry.nNameLength) hasher.Add(pName[i]);
    }
}
