// XmlDocument's node scanner and name tokens: node kinds and extents, delimiters, GBK second bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "XmlDocument.h"

namespace {
struct Node {
    int nKind;
    uint32_t nLength;
    bool operator==(const Node& o) const { return nKind == o.nKind && nLength == o.nLength; }
};

void PrintTo(const Node& n, std::ostream* os)
{
    *os << "{" << n.nKind << ", " << n.nLength << "}";
}

// Every node of the text in order, up to the end.
std::vector<Node> Nodes(const std::string& text)
{
    XmlDocument::TokenPos token(text.data(), static_cast<uint32_t>(text.size()), 0);
    XmlDocument::NodePos node;
    std::vector<Node> out;
    while (XmlDocument::ScanNode(token, node) != XNODE_END) {
        out.push_back({node.nKind, node.nLength});
        if (out.size() > text.size()) break;  // each node takes at least one byte
    }
    return out;
}

XmlDocument::NodePos FirstNode(const std::string& text)
{
    XmlDocument::TokenPos token(text.data(), static_cast<uint32_t>(text.size()), 0);
    XmlDocument::NodePos node;
    XmlDocument::ScanNode(token, node);
    return node;
}

std::string Name(const std::string& text, const XmlDocument::NodePos& node)
{
    return text.substr(node.nNameStart, node.nNameLength);
}

std::vector<std::string> NameTokens(const std::string& text)
{
    XmlDocument::TokenPos token(text.data(), static_cast<uint32_t>(text.size()), 0);
    std::vector<std::string> out;
    while (XmlDocument::ScanName(token)) out.push_back(text.substr(token.nL, token.nR - token.nL));
    return out;
}
}  // namespace

TEST(XmlScan, KindsAndExtentsOfEveryNode)
{
    EXPECT_EQ((std::vector<Node>{{XNODE_PI, 21}, {XNODE_WHITESPACE, 2}, {XNODE_DOCTYPE, 40}, {XNODE_COMMENT, 10},
                                 {XNODE_ELEMENT, 9}, {XNODE_TEXT, 2}, {XNODE_CDATA, 17}, {XNODE_ELEMENT, 4},
                                 {XNODE_END_TAG, 4}, {XNODE_TEXT, 4}}),
              Nodes("<?xml version=\"1.0\"?>\r\n<!DOCTYPE r [<!ENTITY e 'v'><!-- > -->]>"
                    "<!-- c --><r a='>'>t <![CDATA[<x>]]]]><b/></r>tail"));
    // Declarations inside a doctype have no quoting: the first ">" ends them.
    EXPECT_EQ((std::vector<Node>{{XNODE_DOCTYPE, 28}, {XNODE_TEXT, 2}}), Nodes("<!DOCTYPE r [<!ENTITY e '>'>]>"));
}

TEST(XmlScan, TextEndsBeforeLessThanAndAfterGreaterThan)
{
    EXPECT_EQ((std::vector<Node>{{XNODE_TEXT, 2}, {XNODE_TEXT, 1}, {XNODE_ELEMENT, 3}}), Nodes("a>b<c>"));
    EXPECT_EQ((std::vector<Node>{{XNODE_WHITESPACE, 3}, {XNODE_ELEMENT, 3}, {XNODE_TEXT, 3}}), Nodes(" \t\n<c> x "));
    EXPECT_EQ((std::vector<Node>{{XNODE_WHITESPACE, 2}}), Nodes("\r\n"));
}

TEST(XmlScan, NamesOfTagsAndInstructions)
{
    std::string text = "<qzvrsetup fileurl='u'/>";
    XmlDocument::NodePos node = FirstNode(text);
    EXPECT_EQ(XNODE_ELEMENT, node.nKind);
    EXPECT_EQ("qzvrsetup", Name(text, node));
    EXPECT_EQ(XmlDocument::XNF_EMPTY_TAG, node.nFlags);
    text = "<a/b>";
    node = FirstNode(text);
    EXPECT_EQ("a", Name(text, node));
    EXPECT_EQ(0, node.nFlags);
    text = "</end >";
    node = FirstNode(text);
    EXPECT_EQ(XNODE_END_TAG, node.nKind);
    EXPECT_EQ("end", Name(text, node));
    text = "<?xml version='1.0'?>";
    node = FirstNode(text);
    EXPECT_EQ(XNODE_PI, node.nKind);
    EXPECT_EQ("xml", Name(text, node));
}

TEST(XmlScan, MultiCharacterDelimitersCountTheOpener)
{
    EXPECT_EQ((std::vector<Node>{{XNODE_COMMENT, 5}}), Nodes("<!-->"));
    EXPECT_EQ((std::vector<Node>{{XNODE_WHITESPACE, 1}, {XNODE_PI, 3}}), Nodes(" <?>"));
    // A ">" at an offset not beyond the delimiter's length never ends the node.
    EXPECT_EQ((std::vector<Node>{{XNODE_PI, 6}}), Nodes("<?>x?>"));
    EXPECT_EQ((std::vector<Node>{{XNODE_CDATA, 13}, {XNODE_TEXT, 1}}), Nodes("<![CDATA[]]]>x"));
    EXPECT_EQ((std::vector<Node>{{XNODE_CDATA, 8}}), Nodes("<![Cx]]>"));
}

TEST(XmlScan, MalformedMarkupBecomesErrorNodes)
{
    XmlDocument::NodePos node = FirstNode("<!ELEMENT r ANY>x");
    EXPECT_EQ(XNODE_ERROR, node.nKind);
    EXPECT_EQ(16u, node.nLength);
    EXPECT_EQ(CString(""), node.strText);
    // An error node stops before a "<", so the element after it is scanned on its own.
    EXPECT_EQ((std::vector<Node>{{XNODE_ERROR, 1}, {XNODE_ELEMENT, 3}}), Nodes("<<a>"));
    node = FirstNode("<!DOCTYPE r [<a><?p?>]> <!x> ]>");
    EXPECT_EQ(XNODE_DOCTYPE, node.nKind);
    EXPECT_EQ(23u, node.nLength);
    node = FirstNode("<!DOCTYPE r [<![INCLUDE[]]>]>");
    EXPECT_EQ(XNODE_ERROR, node.nKind);
    EXPECT_EQ(CString("Incorrect ! tag at offset 0"), node.strText);
    node = FirstNode("<r x=\"'>");
    EXPECT_EQ(CString("Element tag at offset 0 unterminated"), node.strText);
    EXPECT_EQ(8u, node.nLength);
}

TEST(XmlScan, NameTokens)
{
    EXPECT_EQ((std::vector<std::string>{"abc", "=", "de", "/", ">", "f", "\\", "g", "?", "!"}),
              NameTokens("  abc=de/>\n f\\g?!"));
    EXPECT_EQ((std::vector<std::string>{}), NameTokens(" \t\r\n"));
    uint32_t nOffset = 0;
    EXPECT_FALSE(XmlDocument::SkipWhitespace("  ", 2, nOffset));
    EXPECT_EQ(2u, nOffset);
}

// GBK second bytes run from 0x40 to 0xFE, so "\", "[", "]", "|" and letters can follow a lead byte; none of
// them may be taken for a character of its own.
TEST(XmlScan, SecondBytesOfDoubleByteCharactersAreNeverDelimiters)
{
    EXPECT_EQ((std::vector<std::string>{"\xD6\xD0\x81\\x", "=", "\x81\\"}), NameTokens("\xD6\xD0\x81\\x=\x81\\"));
    // "\x81]" is one character: the CDATA section goes on to the next real "]]>".
    EXPECT_EQ((std::vector<Node>{{XNODE_CDATA, 16}, {XNODE_END_TAG, 4}}), Nodes("<![CDATA[\x81]]>]]></r>"));
    // A lead byte takes the next byte along even when that byte is "<" or a quote.
    EXPECT_EQ((std::vector<Node>{{XNODE_TEXT, 5}, {XNODE_ELEMENT, 3}}), Nodes("a\x81<b><c>"));
    EXPECT_EQ((std::vector<Node>{{XNODE_ELEMENT, 10}}), Nodes("<a x='\x81''>"));
    // A lead byte at the very end stands alone.
    EXPECT_EQ((std::vector<Node>{{XNODE_TEXT, 2}}), Nodes("a\x81"));
}
