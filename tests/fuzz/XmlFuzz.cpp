// Fuzz target: any bytes as an XML document, then element search, attribute reads and the entity round trip.
// Input: an optional name line (up to the first newline, at most 64 bytes), then the document.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "XmlDocument.h"
#include "XmlEntities.h"

namespace {
void Check(bool bCondition)
{
    if (!bCondition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const char* p = reinterpret_cast<const char*>(pData);
    const void* pNewline = std::memchr(p, '\n', nSize < 65 ? nSize : 65);
    const size_t nNameLen = pNewline ? static_cast<size_t>(static_cast<const char*>(pNewline) - p) : 0;
    const std::string name(p, nNameLen);
    const std::string text(p + (pNewline ? nNameLen + 1 : 0), p + nSize);

    XmlDocument doc;
    doc.SetDocument(nullptr);
    doc.SetFlags(nNameLen % 2 ? XmlDocument::XDF_IGNORECASE : 0);
    const bool bWellFormed = doc.SetDocument(text.c_str());
    Check(bWellFormed == doc.IsWellFormed());
    Check(bWellFormed || !doc.GetError().IsEmpty() || (doc.GetRecord(0).nFlags & XmlDocument::XRF_ILL_FORMED));

    // Every record lies inside the text and its links stay inside the index.
    const uint32_t nLen = static_cast<uint32_t>(doc.GetDocument().GetLength());
    const uint32_t nCount = static_cast<uint32_t>(doc.GetRecordCount());
    for (uint32_t i = 1; i < nCount; ++i) {
        XmlDocument::ElemRecord r = doc.GetRecord(static_cast<int>(i));
        Check(r.nStart < nLen && r.nLength <= nLen - r.nStart);
        Check(r.nParent < nCount && r.nFirstChild < nCount && r.nNext < nCount && r.nPrev < nCount);
    }

    if (doc.FindElement(name.c_str())) doc.GetAttribute(name.c_str());
    for (uint32_t n = 0; n < nCount && doc.FindElement(nullptr); ++n) {
        doc.GetAttribute(name.c_str());
        doc.GetAttribute("a");
    }

    const CString raw(text);
    const CString encoded = EncodeEntities(raw);
    Check(XmlDocument::DecodeEntities(encoded, encoded.GetLength()) == raw);
    XmlDocument::DecodeEntities(text.data(), static_cast<int>(text.size()));
    return 0;
}
