// XmlOpenElements: the elements whose end tag is still to come, and the search for the one an end tag closes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class XmlOpenElements {
public:
    struct Entry {
        uint32_t nRecord;
        uint32_t nStart;
        uint32_t nTagLength;
        uint32_t nNameStart;
        uint32_t nNameLength;
    };

    XmlOpenElements(const char* pDoc, bool bIgnoreCase);

    size_t Size() const { return m_stack.size(); }
    // The k-th open element counted from the innermost (k = 1).
    const Entry& FromTop(size_t k) const { return m_stack[m_stack.size() - k]; }
    void Push(const Entry& entry);
    void Pop();

    // k of the innermost open element whose start tag the end tag's name closes, or 0: the end tag's name
    // equals the start tag's name, or begins it and the start tag's name goes on with "=", "[" or "]".
    size_t FindStartTag(uint32_t nNameStart, uint32_t nNameLength) const;

private:
    // Up to this depth the search compares names from the innermost outwards; deeper, an index of name
    // prefixes keeps a document of many open elements and stray end tags linear.
    static const size_t kIndexDepth = 64;

    size_t FindByScan(uint32_t nNameStart, uint32_t nNameLength) const;
    bool Closes(const Entry& open, uint32_t nNameStart, uint32_t nNameLength) const;
    uint64_t NameKey(uint32_t nStart, uint32_t nLength) const;
    // Adds or removes the index keys of the entry at depth: its whole name and every prefix of it that a
    // closing end tag may be.
    void IndexEntry(uint32_t nDepth, bool bAdd);

    const char* m_pDoc;
    bool m_bIgnoreCase;
    std::vector<Entry> m_stack;
    bool m_bIndexed = false;
    std::unordered_map<uint64_t, std::vector<uint32_t>> m_index;  // key -> depths, innermost last
};
