// XmlDocument: document text and file reading, the segmented element records and the parse that fills them.
#include "XmlDocument.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "XmlOpenElements.h"

namespace {
const uint32_t kMaxStartTagLength = 0x3FFFFF;
const uint32_t kMaxEndTagLength = 0x3FF;

uint32_t PackTagLengths(uint32_t nStartTag, uint32_t nEndTag)
{
    return std::min(nStartTag, kMaxStartTagLength) | (std::min(nEndTag, kMaxEndTagLength) << 22);
}

// Closes a FILE on every path out of ReadTextFile.
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
}  // namespace

XmlDocument::XmlDocument() = default;
XmlDocument::~XmlDocument() = default;

bool XmlDocument::SetDocument(const char* pText)
{
    m_strDoc = pText;
    m_strError.Empty();
    return ParseDocument();
}

bool XmlDocument::LoadFile(const char* pPath)
{
    if (!ReadTextFile(pPath, m_strDoc, m_strError, m_nDocFlags)) return false;
    return ParseDocument();
}

bool XmlDocument::ReadTextFile(const char* pPath, CString& strDoc, CString& strError, int& /*nFlags*/)
{
    std::unique_ptr<FILE, FileCloser> file(pPath ? std::fopen(pPath, "rb") : nullptr);
    if (!file) {
        strError = std::strerror(pPath ? errno : EINVAL);
        return false;
    }
    long nSize = -1;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) nSize = std::ftell(file.get());
    if (nSize < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        strError = std::strerror(errno);
        return false;
    }
    // Offsets into the text are 32-bit and the text's length an int.
    if (nSize >= INT32_MAX) {
        strError = std::strerror(EFBIG);
        return false;
    }
    CString strRead;
    size_t nRead = 0;
    if (nSize > 0) {
        char* pBuf = strRead.GetBuffer(static_cast<int>(nSize));
        nRead = std::fread(pBuf, 1, static_cast<size_t>(nSize), file.get());
        strRead.ReleaseBuffer(static_cast<int>(nRead));
    }
    // A directory opens on some systems but cannot be read.
    if (std::ferror(file.get())) {
        strError = std::strerror(errno);
        return false;
    }
    strDoc = std::move(strRead);
    strError.Format("%s%d bytes", "", static_cast<int>(nRead));
    return true;
}

bool XmlDocument::IsWellFormed() const
{
    if (m_nNextFree == 0) return false;
    const ElemRecord& doc = Rec(0);
    return !(doc.nFlags & XRF_ILL_FORMED) && doc.nFirstChild && !Rec(doc.nFirstChild).nNext;
}

XmlDocument::ElemRecord XmlDocument::GetRecord(int nRecord) const
{
    if (nRecord < 0 || static_cast<uint32_t>(nRecord) >= m_nNextFree) return ElemRecord();
    return Rec(static_cast<uint32_t>(nRecord));
}

void XmlDocument::ResetPos()
{
    m_iPosParent = m_iPos = m_iPosChild = 0;
    m_nNodeType = 0;
    m_nNodeOffset = m_nNodeLength = 0;
}

void XmlDocument::SetErrorOnce(const CString& strMessage)
{
    if (m_strError.IsEmpty()) m_strError = strMessage;
}

CString XmlDocument::TextRange(uint32_t nStart, uint32_t nLength) const
{
    return CString(m_strDoc.GetString() + nStart, static_cast<int>(nLength));
}

// Records live in segments of 65536 so that growing moves at most one segment; a step adds at most one.
void XmlDocument::GrowRecords(uint32_t nCount)
{
    if (nCount == 0) nCount = m_nNextFree + m_nNextFree / 2;
    if (m_nCapacity >= nCount) return;
    const uint32_t h = m_nCapacity ? (m_nCapacity - 1) >> kSegBits : 0;
    uint32_t t = (nCount - 1) >> kSegBits;
    if (t > h + 1) {
        t = h + 1;
        nCount = (h + 2) * kSegSize;
    }
    // Allocate everything first so that a failed allocation leaves the records as they were.
    std::unique_ptr<std::unique_ptr<ElemRecord[]>[]> pTable;
    if (t >= m_nSegTableSize) pTable.reset(new std::unique_ptr<ElemRecord[]>[2 * t + 4]);
    const uint32_t nInH = m_nCapacity - h * kSegSize;  // records now in segment h
    std::unique_ptr<ElemRecord[]> pFullH;
    if (t > h && nInH < kSegSize) pFullH.reset(new ElemRecord[kSegSize]());
    std::unique_ptr<ElemRecord[]> pLast(new ElemRecord[nCount - t * kSegSize]());

    if (pTable) {
        for (uint32_t i = 0; i < m_nSegTableSize; ++i) pTable[i] = std::move(m_pSegs[i]);
        m_pSegs = std::move(pTable);
        m_nSegTableSize = 2 * t + 4;
    }
    if (pFullH) {
        if (m_nCapacity) std::copy(m_pSegs[h].get(), m_pSegs[h].get() + nInH, pFullH.get());
        m_pSegs[h] = std::move(pFullH);
    }
    if (t == h && m_nCapacity) std::copy(m_pSegs[h].get(), m_pSegs[h].get() + nInH, pLast.get());
    m_pSegs[t] = std::move(pLast);
    m_nCapacity = nCount;
}

bool XmlDocument::ParseDocument()
{
    const CString strKept = m_strError;
    m_strError.Empty();
    ResetPos();
    const uint32_t nLen = static_cast<uint32_t>(m_strDoc.GetLength());
    try {
        m_nNextFree = 1;
        GrowRecords(nLen / 64 + 8);
        Rec(0) = ElemRecord();
        if (nLen == 0) {
            m_strError = "Empty document";
        } else {
            TokenPos token(m_strDoc.GetString(), nLen, m_nDocFlags);
            uint32_t nFirst = static_cast<uint32_t>(ParseChildren(0, token));
            Rec(0).nLength = nLen;
            if (!nFirst) {
                m_strError = "No root element";
            } else {
                Rec(0).nFirstChild = nFirst;
                if (Rec(nFirst).nNext) m_strError = "Root element has sibling";
            }
        }
    } catch (const std::bad_alloc&) {
        m_strError = "Out of memory";
        if (m_nCapacity)
            Rec(0).nFlags |= XRF_ILL_FORMED;
        else
            m_nNextFree = 0;
    }
    ResetPos();
    if (!strKept.IsEmpty()) m_strError = m_strError.IsEmpty() ? strKept : strKept + ", " + m_strError;
    return IsWellFormed();
}

void XmlDocument::LinkChild(uint32_t nParent, uint32_t nChild)
{
    ElemRecord& child = Rec(nChild);
    ElemRecord& parent = Rec(nParent);
    child.nParent = nParent;
    child.nNext = 0;
    if (!parent.nFirstChild) {
        parent.nFirstChild = nChild;
        child.nPrev = nChild;
        child.nFlags = XRF_FIRST_CHILD;
    } else {
        ElemRecord& first = Rec(parent.nFirstChild);
        const uint32_t nLast = first.nPrev;
        Rec(nLast).nNext = nChild;
        child.nPrev = nLast;
        first.nPrev = nChild;
        child.nFlags = 0;
    }
}

int XmlDocument::ParseChildren(uint32_t nRecord, TokenPos& token)
{
    const uint32_t nBaseLevel = Rec(nRecord).Level();
    uint32_t nCurrent = nRecord;
    uint32_t nFirst = 0;
    XmlOpenElements open(token.pDoc, (m_nDocFlags & XDF_IGNORECASE) != 0);  // its size is the depth
    NodePos node;
    for (;;) {
        switch (ScanNode(token, node)) {
        case XNODE_ELEMENT: {
            if (m_nNextFree == m_nCapacity) GrowRecords(0);
            const uint32_t nElem = m_nNextFree++;
            if (!nFirst) nFirst = nElem;
            LinkChild(nCurrent, nElem);
            ElemRecord& elem = Rec(nElem);
            const uint32_t nDepth = static_cast<uint32_t>(open.Size());
            elem.nFlags |= std::min<uint32_t>(nDepth + nBaseLevel, XRF_LEVEL_MASK);
            elem.nFirstChild = 0;
            elem.nStart = node.nStart;
            elem.nTagLengths = PackTagLengths(node.nLength, 0);
            elem.nLength = node.nLength;
            if (!(node.nFlags & XNF_EMPTY_TAG)) {
                open.Push({nElem, node.nStart, node.nLength, node.nNameStart, node.nNameLength});
                nCurrent = nElem;
            }
            break;
        }
        case XNODE_ERROR:
            Rec(nRecord).nFlags |= XRF_ILL_FORMED;
            Rec(nCurrent).nFlags |= XRF_CHILD_ERROR;
            SetErrorOnce(node.strText);
            break;
        case XNODE_END_TAG: {
            const size_t k = open.FindStartTag(node.nNameStart, node.nNameLength);
            if (!k) {
                Rec(nRecord).nFlags |= XRF_ILL_FORMED;
                Rec(nCurrent).nFlags |= XRF_CHILD_ERROR;
                if (m_strError.IsEmpty())
                    m_strError.Format("No start tag for end tag '%s' at offset %d",
                                      static_cast<const char*>(TextRange(node.nNameStart, node.nNameLength)),
                                      static_cast<int>(node.nStart));
                break;
            }
            const XmlOpenElements::Entry matched = open.FromTop(k);
            ElemRecord& elem = Rec(matched.nRecord);
            elem.nLength = node.nStart + node.nLength - matched.nStart;
            elem.nTagLengths = PackTagLengths(matched.nTagLength, node.nLength);
            CloseImplicitly(nRecord, open, static_cast<uint32_t>(k - 1), &node);
            open.Pop();
            nCurrent = Rec(matched.nRecord).nParent;
            break;
        }
        case XNODE_END:
            CloseImplicitly(nRecord, open, static_cast<uint32_t>(open.Size()), nullptr);
            return static_cast<int>(nFirst);
        default:
            break;  // text, whitespace, CDATA, processing instructions, comments and doctypes make no records
        }
    }
}

// Closes the nCount innermost open elements that have no end tag of their own: each covers only its start
// tag and its children become the siblings that follow it. Every element closed here is the last child of
// its parent, so everything lifted ends up at the tail of the outermost one's parent; parents are set in
// one pass at the end, which keeps a long run of unclosed elements linear.
void XmlDocument::CloseImplicitly(uint32_t nRecord, XmlOpenElements& open, uint32_t nCount, const NodePos* pEndTag)
{
    if (!nCount) return;
    Rec(nRecord).nFlags |= XRF_ILL_FORMED;
    uint32_t nOutermost = 0;
    for (uint32_t n = 0; n < nCount; ++n) {
        const XmlOpenElements::Entry closed = open.FromTop(1);
        open.Pop();
        nOutermost = closed.nRecord;
        ElemRecord& elem = Rec(closed.nRecord);
        elem.nFlags |= XRF_NOT_ENDED;
        elem.nTagLengths = PackTagLengths(closed.nTagLength, 0);
        elem.nLength = closed.nTagLength;
        if (elem.nFlags & XRF_CHILD_ERROR) {
            elem.nFlags &= ~XRF_CHILD_ERROR;
            Rec(elem.nParent).nFlags |= XRF_CHILD_ERROR;
        }
        if (elem.nFirstChild) {
            const uint32_t nFirstChild = elem.nFirstChild;
            const uint32_t nLastChild = Rec(nFirstChild).nPrev;
            Rec(nLastChild).nNext = 0;
            Rec(Rec(elem.nParent).nFirstChild).nPrev = nLastChild;
            elem.nNext = nFirstChild;
            Rec(nFirstChild).nPrev = closed.nRecord;
            elem.nFirstChild = 0;
        }
        if (m_strError.IsEmpty()) {
            const CString strName = TextRange(closed.nNameStart, closed.nNameLength);
            if (pEndTag)
                m_strError.Format("End tag '%s' at offset %d does not match start tag '%s' at offset %d",
                                  static_cast<const char*>(TextRange(pEndTag->nNameStart, pEndTag->nNameLength)),
                                  static_cast<int>(pEndTag->nStart + 1), static_cast<const char*>(strName),
                                  static_cast<int>(closed.nStart));
            else
                m_strError.Format("Element '%s' at offset %d not ended", static_cast<const char*>(strName),
                                  static_cast<int>(closed.nStart));
        }
    }
    const uint32_t nParent = Rec(nOutermost).nParent;
    for (uint32_t i = Rec(nOutermost).nNext; i; i = Rec(i).nNext) Rec(i).nParent = nParent;
}
