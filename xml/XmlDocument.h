// XmlDocument: one XML document kept as a single text plus a segmented index of its elements; no OS headers.
#pragma once

#include <cstdint>
#include <memory>

#include "CString.h"

class XmlOpenElements;

// Kinds of node returned by XmlDocument::ScanNode.
enum XmlNodeKind {
    XNODE_ELEMENT = 1,     // start tag or empty-element tag
    XNODE_TEXT = 2,        // character data
    XNODE_WHITESPACE = 4,  // blanks, tabs, CR and LF ending at a "<"
    XNODE_CDATA = 8,
    XNODE_PI = 16,         // processing instruction, the XML declaration included
    XNODE_COMMENT = 32,
    XNODE_DOCTYPE = 64,
    XNODE_END_TAG = 0,
    XNODE_ERROR = -1,      // malformed node; its message is the entry's text
    XNODE_END = -2         // end of the text, no node
};

class XmlDocument {
public:
    // Document flags.
    enum { XDF_IGNORECASE = 0x8 };

    // Flags of an element record's level word; the nesting level is its low 16 bits.
    enum : uint32_t {
        XRF_LEVEL_MASK = 0xFFFF,
        XRF_FIRST_CHILD = 0x80000,   // was the first child of its parent when linked
        XRF_NOT_ENDED = 0x100000,    // never closed by an end tag
        XRF_CHILD_ERROR = 0x200000,  // an error occurred inside the element
        XRF_ILL_FORMED = 0x800000    // on the record a parse started at: the text is not well-formed
    };

    // Node entry flag: the start tag's ">" follows "/".
    enum { XNF_EMPTY_TAG = 0x10000 };

    // One element: eight 32-bit words. Record 0 is the document itself.
    struct ElemRecord {
        uint32_t nStart;       // offset of the start tag's "<"
        uint32_t nLength;      // start tag's "<" to end tag's ">" inclusive, or the start tag alone
        uint32_t nTagLengths;  // start-tag length in the low 22 bits, end-tag length in the high 10
        uint32_t nFlags;       // nesting level and XRF_ flags
        uint32_t nParent;
        uint32_t nFirstChild;
        uint32_t nNext;
        uint32_t nPrev;        // for a first child: the last sibling (itself when alone)

        uint32_t StartTagLength() const { return nTagLengths & 0x3FFFFF; }
        uint32_t EndTagLength() const { return nTagLengths >> 22; }
        uint32_t Level() const { return nFlags & XRF_LEVEL_MASK; }
    };

    // Scanner state over a text: the offset of the next scan and the range [nL, nR) of the last token.
    struct TokenPos {
        TokenPos(const char* pText, uint32_t nTextLength, int nDocFlags)
            : pDoc(pText), nLen(nTextLength), nFlags(nDocFlags) {}
        const char* pDoc;
        uint32_t nLen;
        int nFlags;
        uint32_t nNext = 0;
        uint32_t nL = 0;
        uint32_t nR = 0;
        bool bQuoted = false;  // the token was a quoted string; [nL, nR) excludes its quotes
    };

    // One scanned node. Names are reported as an offset range rather than copied: the start tag's or
    // processing instruction's name, or the end tag's name.
    struct NodePos {
        int nKind = XNODE_END;
        uint32_t nStart = 0;
        uint32_t nLength = 0;
        int nFlags = 0;
        uint32_t nNameStart = 0;
        uint32_t nNameLength = 0;
        CString strText;  // the message of an error node
    };

    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Replaces the text (null makes it empty), parses it and returns IsWellFormed().
    bool SetDocument(const char* pText);
    // Reads the file whole; false if it can't be read, otherwise parses it and returns IsWellFormed().
    bool LoadFile(const char* pPath);
    // True when the last parse saw no error and found exactly one top-level element.
    bool IsWellFormed() const;

    const CString& GetDocument() const { return m_strDoc; }
    const CString& GetError() const { return m_strError; }
    int GetFlags() const { return m_nDocFlags; }
    void SetFlags(int nFlags) { m_nDocFlags = nFlags; }

    // Moves to the next sibling element of that name after the current one (the first top-level
    // element after a parse); a null or empty name takes the next element whatever its name.
    bool FindElement(const char* pName);
    // The decoded value of the current element's attribute; empty when absent or off any element.
    CString GetAttribute(const char* pName) const;

    // Lower-level operations.
    int FindSibling(int nParent, int nAfter, const char* pName) const;
    CString GetAttributeAt(int nPos, const char* pName) const;
    // Reads tokens from token.nNext; when the attribute is found, [nL, nR) is its value's range.
    static bool ScanAttribute(TokenPos& token, const char* pName);
    // Scans the node at token.nNext into node, moves token.nNext past it and returns its kind.
    static int ScanNode(TokenPos& token, NodePos& node);
    // Next name token into [nL, nR); false at the end of the text.
    static bool ScanName(TokenPos& token);
    // Moves nOffset past blanks; reports whether a character remains.
    static bool SkipWhitespace(const char* pDoc, uint32_t nLen, uint32_t& nOffset);
    static bool ReadTextFile(const char* pPath, CString& strDoc, CString& strError, int& nFlags);

    // Copies text, turning the five entity references and numeric character references into characters;
    // nLength < 0 means up to the terminating NUL. EncodeEntities (XmlEntities.h) is its inverse.
    static CString DecodeEntities(const char* pText, int nLength = -1);

    // The element index and cursor, for callers that walk the tree.
    int GetRecordCount() const { return static_cast<int>(m_nNextFree); }
    ElemRecord GetRecord(int nRecord) const;
    int GetParentPos() const { return m_iPosParent; }
    int GetCurrentPos() const { return m_iPos; }
    int GetChildPos() const { return m_iPosChild; }
    int GetNodeKind() const { return m_nNodeType; }

private:
    bool ParseDocument();
    int ParseChildren(uint32_t nRecord, TokenPos& token);
    void CloseImplicitly(uint32_t nRecord, XmlOpenElements& open, uint32_t nCount, const NodePos* pEndTag);
    void LinkChild(uint32_t nParent, uint32_t nChild);
    void GrowRecords(uint32_t nCount);
    void ResetPos();
    void SetErrorOnce(const CString& strMessage);
    CString TextRange(uint32_t nStart, uint32_t nLength) const;

    ElemRecord& Rec(uint32_t i) { return m_pSegs[i >> kSegBits][i & kSegMask]; }
    const ElemRecord& Rec(uint32_t i) const { return m_pSegs[i >> kSegBits][i & kSegMask]; }

    static const uint32_t kSegBits = 16;
    static const uint32_t kSegSize = 1u << kSegBits;
    static const uint32_t kSegMask = kSegSize - 1;

    CString m_strDoc;
    CString m_strError;
    int m_iPosParent = 0;
    int m_iPos = 0;
    int m_iPosChild = 0;
    uint32_t m_nNextFree = 0;
    int m_nNodeType = 0;
    uint32_t m_nNodeOffset = 0;
    uint32_t m_nNodeLength = 0;
    int m_nDocFlags = 0;
    std::unique_ptr<std::unique_ptr<ElemRecord[]>[]> m_pSegs;
    uint32_t m_nCapacity = 0;
    uint32_t m_nSegTableSize = 0;
};
