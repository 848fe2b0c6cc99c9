// XmlDocument parse: tree shape and record fields, error messages with their offsets, growth past a segment.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "XmlDocument.h"

namespace {
using Rec = XmlDocument::ElemRecord;

// Parses text and returns the error message.
CString ParseError(const char* pText)
{
    XmlDocument doc;
    doc.SetDocument(pText);
    return doc.GetError();
}

// The children of a record in sibling order, as record indexes.
std::vector<int> Children(const XmlDocument& doc, int nRecord)
{
    std::vector<int> out;
    for (uint32_t i = doc.GetRecord(nRecord).nFirstChild; i; i = doc.GetRecord(static_cast<int>(i)).nNext)
        out.push_back(static_cast<int>(i));
    return out;
}
}  // namespace

TEST(XmlParse, SingleEmptyElementRecord)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<a/>"));
    EXPECT_EQ(2, doc.GetRecordCount());
    Rec a = doc.GetRecord(1);
    EXPECT_EQ(0u, a.nStart);
    EXPECT_EQ(4u, a.nLength);
    EXPECT_EQ(4u, a.StartTagLength());
    EXPECT_EQ(0u, a.EndTagLength());
    EXPECT_EQ(0u, a.Level());
    EXPECT_EQ(uint32_t(XmlDocument::XRF_FIRST_CHILD), a.nFlags);
    EXPECT_EQ(1u, a.nPrev);
    EXPECT_EQ(0u, a.nNext);
    EXPECT_EQ(4u, doc.GetRecord(0).nLength);
    EXPECT_EQ(1u, doc.GetRecord(0).nFirstChild);
    EXPECT_EQ(CString(""), doc.GetError());
}

TEST(XmlParse, NestedRecordsLinksLevelsAndLengths)
{
    //                       0         1         2         3
    //                       0123456789012345678901234567890123456
    const char* pText = "<r><a x='>'>t</a><b/><c><d/></c></r>";
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocument(pText));
    ASSERT_EQ(6, doc.GetRecordCount());
    EXPECT_EQ((std::vector<int>{2, 3, 4}), Children(doc, 1));
    EXPECT_EQ((std::vector<int>{5}), Children(doc, 4));
    Rec r = doc.GetRecord(1), a = doc.GetRecord(2), b = doc.GetRecord(3), c = doc.GetRecord(4), d = doc.GetRecord(5);
    EXPECT_EQ(std::strlen(pText), r.nLength);
    EXPECT_EQ(3u, r.StartTagLength());
    EXPECT_EQ(4u, r.EndTagLength());
    EXPECT_EQ(3u, a.nStart);
    EXPECT_EQ(14u, a.nLength);  // the quoted ">" stays inside the start tag
    EXPECT_EQ(9u, a.StartTagLength());
    EXPECT_EQ(4u, a.EndTagLength());
    EXPECT_EQ(4u, b.nLength);
    EXPECT_EQ(0u, b.EndTagLength());
    EXPECT_EQ(11u, c.nLength);
    EXPECT_EQ(0u, r.Level());
    EXPECT_EQ(1u, a.Level());
    EXPECT_EQ(2u, d.Level());
    EXPECT_EQ(4u, a.nPrev);  // a first child points at the last sibling
    EXPECT_EQ(2u, b.nPrev);
    EXPECT_EQ(4u, d.nParent);
    EXPECT_TRUE(a.nFlags & XmlDocument::XRF_FIRST_CHILD);
    EXPECT_FALSE(b.nFlags & XmlDocument::XRF_FIRST_CHILD);
}

TEST(XmlParse, ProloguesCommentsAndOutsideTextMakeNoRecords)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.SetDocument("\xEF\xBB junk <?xml version=\"1.0\" encoding=\"gb2312\" ?>\r\n"
                                "<!DOCTYPE r [<!ELEMENT r ANY><!-- <x> -->]><!-- c -->\n"
                                "<r><![CDATA[<no/>]]><?pi <no/> ?></r> trailing text\n"));
    EXPECT_EQ(2, doc.GetRecordCount());
    EXPECT_EQ(0u, doc.GetRecord(1).nFirstChild);
}

TEST(XmlParse, EndTagClosingAnOuterElementLiftsChildren)
{
    //                   0         1
    //                   0123456789012345678
    const char* pText = "<r><a><b/><c/></r>";
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocument(pText));
    EXPECT_EQ(CString("End tag 'r' at offset 15 does not match start tag 'a' at offset 3"), doc.GetError());
    EXPECT_EQ((std::vector<int>{2, 3, 4}), Children(doc, 1));
    Rec a = doc.GetRecord(2);
    EXPECT_TRUE(a.nFlags & XmlDocument::XRF_NOT_ENDED);
    EXPECT_EQ(3u, a.nLength);
    EXPECT_EQ(0u, a.nFirstChild);
    EXPECT_EQ(1u, doc.GetRecord(3).nParent);
    EXPECT_EQ(1u, doc.GetRecord(4).nParent);
    EXPECT_EQ(4u, doc.GetRecord(2).nPrev);  // first child's prev is the new last sibling
    EXPECT_EQ(18u, doc.GetRecord(1).nLength);
    EXPECT_TRUE(doc.GetRecord(0).nFlags & XmlDocument::XRF_ILL_FORMED);
}

TEST(XmlParse, ErrorInsideUnendedElementMovesToItsParent)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocument("<r><a>< ></r>"));
    EXPECT_EQ(CString("Incorrect tag name character at offset 6"), doc.GetError());
    EXPECT_TRUE(doc.GetRecord(1).nFlags & XmlDocument::XRF_CHILD_ERROR);
    EXPECT_FALSE(doc.GetRecord(2).nFlags & XmlDocument::XRF_CHILD_ERROR);
}

TEST(XmlParse, StructuralMessagesWithOffsets)
{
    EXPECT_EQ(CString("Empty document"), ParseError(""));
    EXPECT_EQ(CString("Empty document"), ParseError(nullptr));
    EXPECT_EQ(CString("No root element"), ParseError("<?xml version=\"1.0\"?><!-- only --> \n"));
    EXPECT_EQ(CString("Root element has sibling"), ParseError("<a/><b/>"));
    EXPECT_EQ(CString("Element 'a' at offset 0 not ended"), ParseError("<a>"));
    EXPECT_EQ(CString("Element 'a' at offset 0 not ended"), ParseError("<a x='1'>text"));
    EXPECT_EQ(CString("End tag 'a' at offset 7 does not match start tag 'b' at offset 3"), ParseError("<a><b></a>"));
    EXPECT_EQ(CString("No start tag for end tag 'b' at offset 3"), ParseError("<a></b></a>"));
    EXPECT_EQ(CString("No start tag for end tag 'a' at offset 4"), ParseError("<a/></a>"));
    // A prefix of the start tag's name does not close it, nor does a longer name.
    EXPECT_EQ(CString("No start tag for end tag 'ab' at offset 3"), ParseError("<a></ab></a>"));
    EXPECT_EQ(CString("No start tag for end tag 'a' at offset 4"), ParseError("<ab></a></ab>"));
}

TEST(XmlParse, MarkupMessagesWithOffsets)
{
    EXPECT_EQ(CString("Incorrect tag name character at offset 3"), ParseError("<r>< x/></r>"));
    EXPECT_EQ(CString("Incorrect tag name character at offset 3"), ParseError("<r><1/></r>"));
    EXPECT_EQ(CString("Incorrect ! tag at offset 3"), ParseError("<r><!x></r>"));
    EXPECT_EQ(CString("Incorrect comment tag at offset 3"), ParseError("<r><!-x></r>"));
    EXPECT_EQ(CString("Incorrect tag at offset 3"), ParseError("<r><![X[y]]></r>"));
    EXPECT_EQ(CString("Element tag at offset 3 unterminated"), ParseError("<r><a x='>"));
    EXPECT_EQ(CString("Element end tag at offset 3 unterminated"), ParseError("<r></r"));
    EXPECT_EQ(CString("Comment at offset 4 unterminated"), ParseError("<r/><!-- -- >"));
    EXPECT_EQ(CString("CDATA Section at offset 3 unterminated"), ParseError("<r><![CDATA[x]>"));
    EXPECT_EQ(CString("Processing instruction at offset 4 unterminated"), ParseError("<r/><?pi ? >"));
    EXPECT_EQ(CString("Doctype at offset 4 unterminated"), ParseError("<r/><!DOCTYPE r [<!-- > -->"));
    EXPECT_EQ(CString("No root element"), ParseError("<?xml ? >"));
    EXPECT_EQ(CString("tag at offset 4 unterminated"), ParseError("<r/><"));
    EXPECT_EQ(CString("tag at offset 4 unterminated"), ParseError("<r/><!"));
    EXPECT_EQ(CString("Incorrect ! tag at offset 0"), ParseError("<!DOCTYPE r [<!DOCTYPE x>]><r/>"));
}

TEST(XmlParse, OnlyTheFirstMessageSurvivesExceptTheRootChecks)
{
    EXPECT_EQ(CString("Incorrect tag name character at offset 3"), ParseError("<r>< ><!x></q></r>"));
    // The unended b and a are both lifted to the top level: the root check replaces the parse message.
    EXPECT_EQ(CString("Root element has sibling"), ParseError("<a><b>"));
    // A declaration outside a doctype is an error node without a message.
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocument("<r><!ELEMENT r ANY></r>"));
    EXPECT_EQ(CString(""), doc.GetError());
}

TEST(XmlParse, EmptyElementNeedsSlashRightBeforeTheEnd)
{
    EXPECT_EQ(CString("Element 'a' at offset 0 not ended"), ParseError("<a / >"));
    EXPECT_EQ(CString("Element 'a' at offset 0 not ended"), ParseError("<a x=\"/\">"));
    EXPECT_EQ(CString(""), ParseError("<a x='1'/>"));
}

TEST(XmlParse, ManyUnendedElementsAllBecomeTopLevel)
{
    const int n = 50000;
    std::string text;
    for (int i = 0; i < n; ++i) text += "<a>";
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocument(text.c_str()));
    EXPECT_EQ(CString("Root element has sibling"), doc.GetError());
    std::vector<int> top = Children(doc, 0);
    ASSERT_EQ(static_cast<size_t>(n), top.size());
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(i + 1, top[static_cast<size_t>(i)]);
        ASSERT_EQ(0u, doc.GetRecord(i + 1).nParent);
        ASSERT_EQ(3u, doc.GetRecord(i + 1).nLength);
    }
    EXPECT_EQ(static_cast<uint32_t>(n), doc.GetRecord(1).nPrev);
}

TEST(XmlParse, RecordsGrowAcrossSegmentsAndReparseReusesThem)
{
    XmlDocument doc;
    for (int n : {70000, 140000, 3, 140000}) {
        std::string text = "<r>";
        for (int i = 0; i < n; ++i) text += i % 2 ? "<e/>" : "<f/>";
        text += "</r>";
        ASSERT_TRUE(doc.SetDocument(text.c_str()));
        ASSERT_EQ(n + 2, doc.GetRecordCount());
        uint32_t expected = 2;
        for (int i : Children(doc, 1)) {
            Rec e = doc.GetRecord(i);
            ASSERT_EQ(expected, static_cast<uint32_t>(i));
            ASSERT_EQ(3 + 4 * (expected - 2), e.nStart);
            ASSERT_EQ(4u, e.nLength);
            ASSERT_EQ(1u, e.nParent);
            ASSERT_EQ(i == 2 ? static_cast<uint32_t>(n + 1) : expected - 1, e.nPrev);
            ++expected;
        }
        ASSERT_EQ(static_cast<uint32_t>(n + 2), expected);
        EXPECT_EQ(text.size(), doc.GetRecord(1).nLength);
    }
}

TEST(XmlParse, ReparseResetsRecordsCursorAndMessage)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocument("<a><b></a>"));
    ASSERT_TRUE(doc.SetDocument("<r><c/><c/></r>"));
    ASSERT_TRUE(doc.FindElement("r"));
    EXPECT_EQ(1, doc.GetCurrentPos());
    ASSERT_TRUE(doc.SetDocument("<z/>"));
    EXPECT_EQ(CString(""), doc.GetError());
    EXPECT_EQ(2, doc.GetRecordCount());
    EXPECT_EQ(0, doc.GetCurrentPos());
    EXPECT_EQ(0, doc.GetNodeKind());
    EXPECT_TRUE(doc.FindElement("z"));
}

TEST(XmlParse, IgnoreCaseFlagAppliesToEndTags)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocument("<Root></ROOT>"));
    doc.SetFlags(XmlDocument::XDF_IGNORECASE);
    EXPECT_TRUE(doc.SetDocument("<Root></ROOT>"));
}

class XmlLoadFile : public ::testing::Test {
protected:
    void TearDown() override { std::remove(m_path.c_str()); }
    void Write(const std::string& content)
    {
        FILE* f = std::fopen(m_path.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    std::string m_path = ::testing::TempDir() + "xml_load_test.xml";
};

TEST_F(XmlLoadFile, ReportsByteCountAndParseMessage)
{
    XmlDocument doc;
    Write("");
    EXPECT_FALSE(doc.LoadFile(m_path.c_str()));
    EXPECT_EQ(CString("0 bytes, Empty document"), doc.GetError());
    Write("<a><b></a>");
    EXPECT_FALSE(doc.LoadFile(m_path.c_str()));
    EXPECT_EQ(CString("10 bytes, End tag 'a' at offset 7 does not match start tag 'b' at offset 3"), doc.GetError());
    const std::string record = "<?xml version=\"1.0\" encoding=\"gb2312\" ?>"
                               "<downloadqzvr vertype=\"0\" filesign=\"0123456789ABCDEF0123456789abcdef\" />";
    ASSERT_EQ(112u, record.size());
    Write(record);
    ASSERT_TRUE(doc.LoadFile(m_path.c_str()));
    EXPECT_EQ(CString("112 bytes"), doc.GetError());
    ASSERT_TRUE(doc.FindElement("downloadqzvr"));
    EXPECT_EQ(CString("0123456789ABCDEF0123456789abcdef"), doc.GetAttribute("filesign"));
}

TEST_F(XmlLoadFile, NulBytesAreTextLikeAnyOther)
{
    Write(std::string("<r a='x\0y'>\0</r>", 16));
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(m_path.c_str()));
    EXPECT_EQ(CString("16 bytes"), doc.GetError());
    EXPECT_EQ(16u, doc.GetRecord(1).nLength);
    ASSERT_TRUE(doc.FindElement("r"));
    EXPECT_EQ(CString(std::string("x\0y", 3)), doc.GetAttribute("a"));
}

TEST_F(XmlLoadFile, MissingFileGivesTheSystemMessageAndKeepsTheDocument)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<kept/>"));
    std::string missing = ::testing::TempDir() + "no_such_dir_xml/none.xml";
    EXPECT_FALSE(doc.LoadFile(missing.c_str()));
    EXPECT_EQ(CString(std::strerror(ENOENT)), doc.GetError());
    EXPECT_TRUE(doc.FindElement("kept"));
}

// Past a depth of 64 the end-tag search goes through an index; these cases hold on either side of it.
class XmlDeepNesting : public ::testing::TestWithParam<int> {
protected:
    static std::string Open(int n, const char* pName)
    {
        std::string s;
        for (int i = 0; i < n; ++i) s += std::string("<") + pName + std::to_string(i) + ">";
        return s;
    }
};

TEST_P(XmlDeepNesting, EndTagsCloseTheInnermostMatch)
{
    const int n = GetParam();
    XmlDocument doc;
    std::string text = Open(n, "e");
    for (int i = n - 1; i >= 0; --i) text += "</e" + std::to_string(i) + ">";
    EXPECT_TRUE(doc.SetDocument(text.c_str())) << doc.GetError();
    EXPECT_EQ(n + 1, doc.GetRecordCount());
    EXPECT_EQ(static_cast<uint32_t>(n - 1), doc.GetRecord(n).Level());

    // Same names all the way down: each end tag closes the innermost one.
    text.clear();
    for (int i = 0; i < n; ++i) text += "<a>";
    for (int i = 0; i < n; ++i) text += "</a>";
    EXPECT_TRUE(doc.SetDocument(text.c_str())) << doc.GetError();
    EXPECT_EQ(static_cast<uint32_t>(7 * n), doc.GetRecord(1).nLength);
    EXPECT_EQ(7u, doc.GetRecord(n).nLength);
}

TEST_P(XmlDeepNesting, OuterMatchesPrefixesAndStrayEndTags)
{
    const int n = GetParam();
    XmlDocument doc;
    // "</e1>" passes over every element opened after e1, and a stray end tag matches nothing.
    std::string text = "<r>" + Open(n, "e") + "</zz></e1></r>";
    const size_t nStray = text.find("</zz>"), nEnd = text.find("</e1>");
    EXPECT_FALSE(doc.SetDocument(text.c_str()));
    EXPECT_EQ(CString(("No start tag for end tag 'zz' at offset " + std::to_string(nStray)).c_str()), doc.GetError());
    EXPECT_EQ(static_cast<uint32_t>(nEnd + 5 - 7), doc.GetRecord(3).nLength);
    EXPECT_TRUE(doc.GetRecord(n + 1).nFlags & XmlDocument::XRF_NOT_ENDED);
    EXPECT_FALSE(doc.GetRecord(3).nFlags & XmlDocument::XRF_NOT_ENDED);
    EXPECT_EQ(1u, doc.GetRecord(1).nFirstChild ? doc.GetRecord(doc.GetRecord(1).nFirstChild).nParent : 0);

    text = "<a=1 x='1'>" + Open(n, "b") + "</a></a=2>";
    EXPECT_FALSE(doc.SetDocument(text.c_str()));
    const std::string expected = "End tag 'a' at offset " + std::to_string(text.find("</a>") + 1) +
                                 " does not match start tag 'b" + std::to_string(n - 1) + "' at offset " +
                                 std::to_string(text.rfind("<b"));
    EXPECT_EQ(CString(expected.c_str()), doc.GetError());
    EXPECT_EQ(static_cast<uint32_t>(text.find("</a=2>")), doc.GetRecord(1).nLength);

    // Case is ignored only with the flag, and only for single-byte letters.
    doc.SetFlags(XmlDocument::XDF_IGNORECASE);
    doc.SetDocument(("<Deep>" + Open(n, "x") + "</DEEP>").c_str());
    EXPECT_EQ(7u, doc.GetRecord(1).EndTagLength());
    doc.SetDocument(("<\x81" "A>" + Open(n, "x") + "</\x81" "a>").c_str());
    EXPECT_EQ(0u, doc.GetRecord(1).EndTagLength());
    doc.SetFlags(0);
    doc.SetDocument(("<Deep>" + Open(n, "x") + "</DEEP>").c_str());
    EXPECT_EQ(0u, doc.GetRecord(1).EndTagLength());
}

INSTANTIATE_TEST_SUITE_P(Depths, XmlDeepNesting, ::testing::Values(3, 64, 65, 300));
