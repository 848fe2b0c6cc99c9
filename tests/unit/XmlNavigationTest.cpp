// XmlDocument navigation: element search by whole name among siblings and attribute tokens.
#include <gtest/gtest.h>

#include <string>

#include "XmlDocument.h"

namespace {
// The value of an attribute of the root element, or "<none>" when the root can't be found.
CString RootAttribute(const char* pText, const char* pName)
{
    XmlDocument doc;
    doc.SetDocument(pText);
    if (!doc.FindElement(nullptr)) return CString("<none>");
    return doc.GetAttribute(pName);
}

bool FindsRoot(const char* pText, const char* pName, int nFlags = 0)
{
    XmlDocument doc;
    doc.SetFlags(nFlags);
    doc.SetDocument(pText);
    return doc.FindElement(pName);
}
}  // namespace

TEST(XmlNavigation, InstallerReadsTheServiceAnswer)
{
    XmlDocument doc;
    doc.SetDocument(nullptr);
    doc.SetFlags(0);
    ASSERT_TRUE(doc.SetDocument("<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
                                "<qzvrsetup fileurl=\"http://dl.example/qzvr.exe?a=1&amp;b=2\"\r\n"
                                "  filesign=\"D41D8CD98F00B204E9800998ECF8427E\"><note>x</note></qzvrsetup>\r\n"));
    EXPECT_EQ(CString(""), doc.GetAttribute("fileurl"));  // before any search
    ASSERT_TRUE(doc.FindElement("qzvrsetup"));
    EXPECT_EQ(CString("D41D8CD98F00B204E9800998ECF8427E"), doc.GetAttribute("filesign"));
    EXPECT_EQ(CString("http://dl.example/qzvr.exe?a=1&b=2"), doc.GetAttribute("fileurl"));
    EXPECT_EQ(CString(""), doc.GetAttribute("vertype"));
    // The root has no siblings; a failed search leaves the cursor where it was.
    EXPECT_FALSE(doc.FindElement("qzvrsetup"));
    EXPECT_FALSE(doc.FindElement("note"));
    EXPECT_EQ(1, doc.GetCurrentPos());
    EXPECT_EQ(CString("D41D8CD98F00B204E9800998ECF8427E"), doc.GetAttribute("filesign"));
}

TEST(XmlNavigation, WholeNamesOnly)
{
    const char* pText = "<qzvrsetup/>";
    EXPECT_TRUE(FindsRoot(pText, "qzvrsetup"));
    EXPECT_FALSE(FindsRoot(pText, "qzvr"));
    EXPECT_FALSE(FindsRoot(pText, "qzvrsetupx"));
    EXPECT_FALSE(FindsRoot(pText, "qzvrsetup\xD6\xD0"));
    for (const char* pName : {"qzvrsetup x", "qzvrsetup=", "qzvrsetup/", "qzvrsetup[1]", "qzvrsetup]"})
        EXPECT_TRUE(FindsRoot(pText, pName)) << pName;
    EXPECT_FALSE(FindsRoot(pText, "QZVRSETUP"));
    EXPECT_TRUE(FindsRoot(pText, "QZVRSETUP", XmlDocument::XDF_IGNORECASE));
    // Case is folded for single-byte letters only: "\x81\x41" and "\x81\x61" are different characters.
    EXPECT_TRUE(FindsRoot("<\x81\x41x/>", "\x81\x41X", XmlDocument::XDF_IGNORECASE));
    EXPECT_FALSE(FindsRoot("<\x81\x41/>", "\x81\x61", XmlDocument::XDF_IGNORECASE));
    // A GBK name whose second byte is "\" is one name, not cut at the backslash.
    EXPECT_TRUE(FindsRoot("<\xD6\xD0\x81\\ a='1'/>", "\xD6\xD0\x81\\"));
    EXPECT_FALSE(FindsRoot("<\xD6\xD0\x81\\ a='1'/>", "\xD6\xD0\x81"));
}

TEST(XmlNavigation, SearchWalksSiblingsWithoutDescending)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.FindElement("a"));  // nothing parsed yet
    EXPECT_FALSE(doc.SetDocument("<a n='1'><c/></a><b n='2'/><a n='3'/>"));
    EXPECT_FALSE(doc.FindElement("c"));
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_EQ(CString("1"), doc.GetAttribute("n"));
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_EQ(CString("3"), doc.GetAttribute("n"));
    EXPECT_EQ(0, doc.GetParentPos());
    EXPECT_EQ(XNODE_ELEMENT, doc.GetNodeKind());
    EXPECT_FALSE(doc.FindElement("a"));
    // An empty name takes the next sibling whatever it is called.
    ASSERT_TRUE(doc.SetDocument("<r><x/><y/></r>"));
    EXPECT_EQ(2, doc.FindSibling(1, 0, nullptr));
    EXPECT_EQ(3, doc.FindSibling(1, 2, ""));
    EXPECT_EQ(3, doc.FindSibling(1, 0, "y"));
    EXPECT_EQ(0, doc.FindSibling(1, 3, nullptr));
    EXPECT_EQ(0, doc.FindSibling(9, 0, nullptr));
    EXPECT_EQ(0, doc.FindSibling(1, -1, nullptr));
    EXPECT_EQ(CString(""), doc.GetAttributeAt(99, "a"));
}

TEST(XmlNavigation, AttributeValueForms)
{
    EXPECT_EQ(CString("1"), RootAttribute("<e a=\"1\"/>", "a"));
    EXPECT_EQ(CString("1"), RootAttribute("<e a='1'/>", "a"));
    EXPECT_EQ(CString("x \"y\" z"), RootAttribute("<e a='x \"y\" z'/>", "a"));
    EXPECT_EQ(CString("a>b"), RootAttribute("<e a=\"a>b\"/>", "a"));
    EXPECT_EQ(CString("v1"), RootAttribute("<e a=v1 b=2/>", "a"));
    EXPECT_EQ(CString("v/1"), RootAttribute("<e a=v/1>", "a"));
    EXPECT_EQ(CString("v"), RootAttribute("<e a=v>t</e>", "a"));
    EXPECT_EQ(CString("2"), RootAttribute("<e\r\n\ta = '1' b\t=\n'2' />", "b"));
    EXPECT_EQ(CString(""), RootAttribute("<e a=\"\"/>", "a"));
    EXPECT_EQ(CString(""), RootAttribute("<e a= >", "a"));
    EXPECT_EQ(CString("\xD6\xD0\x81\\ \x81]"), RootAttribute("<e a='\xD6\xD0\x81\\ \x81]'/>", "a"));
}

TEST(XmlNavigation, AttributeNamesAndTokens)
{
    // A name without a value stands for itself, whether another name or the tag's end follows.
    EXPECT_EQ(CString("checked"), RootAttribute("<e checked a='1'/>", "checked"));
    EXPECT_EQ(CString("checked"), RootAttribute("<e a='1' checked/>", "checked"));
    EXPECT_EQ(CString("checked"), RootAttribute("<e checked>", "checked"));
    // Whole names only, first match wins, the tag name is not an attribute.
    EXPECT_EQ(CString(""), RootAttribute("<e filesign='s'/>", "file"));
    EXPECT_EQ(CString(""), RootAttribute("<e file='s'/>", "filesign"));
    EXPECT_EQ(CString("1"), RootAttribute("<e a='1' a='2'/>", "a"));
    EXPECT_EQ(CString(""), RootAttribute("<e a='1'/>", "e"));
    // Values are never taken for names, quoted or not; a stray quoted token where a name goes is skipped.
    EXPECT_EQ(CString("2"), RootAttribute("<e a='x' x='2'/>", "x"));
    EXPECT_EQ(CString("5"), RootAttribute("<e a=x x=5>", "x"));
    EXPECT_EQ(CString("1"), RootAttribute("<e 'junk' x='1'/>", "x"));
    // Nothing is read past the tag's end.
    EXPECT_EQ(CString(""), RootAttribute("<e a='1'><f x='2'/></e>", "x"));
    EXPECT_EQ(CString(""), RootAttribute("<e a=><f x='2'/></e>", "x"));
    EXPECT_EQ(CString(""), RootAttribute("<e/>", nullptr));
}

TEST(XmlNavigation, ProcessingInstructionTargetIsSkipped)
{
    const std::string text = "<?xml version=\"1.0\" encoding='gb2312' ?><r/>";
    XmlDocument::TokenPos token(text.data(), static_cast<uint32_t>(text.size()), 0);
    token.nNext = 2;
    ASSERT_TRUE(XmlDocument::ScanAttribute(token, "encoding"));
    EXPECT_EQ("gb2312", text.substr(token.nL, token.nR - token.nL));
    token.nNext = 2;
    EXPECT_FALSE(XmlDocument::ScanAttribute(token, "xml"));
    token.nNext = 2;
    EXPECT_FALSE(XmlDocument::ScanAttribute(token, "r"));
    // A quoted value runs to the end of the text when its quote never closes.
    const std::string open = "e a='open";
    XmlDocument::TokenPos rest(open.data(), static_cast<uint32_t>(open.size()), 0);
    ASSERT_TRUE(XmlDocument::ScanAttribute(rest, "a"));
    EXPECT_EQ("open", open.substr(rest.nL, rest.nR - rest.nL));
}
