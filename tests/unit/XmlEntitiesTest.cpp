// XmlDocument entities: named and numeric references decoded through the code page, and encoding back.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "XmlDocument.h"
#include "XmlEntities.h"

namespace {
CString Decode(const char* pText)
{
    return XmlDocument::DecodeEntities(pText);
}
}  // namespace

TEST(XmlEntities, NamedReferencesInOnePass)
{
    EXPECT_EQ(CString("<&>'\""), Decode("&lt;&amp;&gt;&apos;&quot;"));
    EXPECT_EQ(CString("&lt;"), Decode("&amp;lt;"));
    EXPECT_EQ(CString("a&b"), Decode("a&b"));
    EXPECT_EQ(CString("&nbsp;&LT;&lt"), Decode("&nbsp;&LT;&lt"));
    EXPECT_EQ(CString("x&"), Decode("x&"));
    // The name must lie wholly inside the given length.
    EXPECT_EQ(CString("&am"), XmlDocument::DecodeEntities("&amp;", 3));
    EXPECT_EQ(CString("&"), XmlDocument::DecodeEntities("&amp;", 5));
    EXPECT_EQ(CString(""), XmlDocument::DecodeEntities(nullptr));
}

TEST(XmlEntities, NumericReferences)
{
    EXPECT_EQ(CString("A"), Decode("&#65;"));
    EXPECT_EQ(CString("A"), Decode("&#x41;"));
    EXPECT_EQ(CString("&#X41;"), Decode("&#X41;"));
    EXPECT_EQ(CString("&#0;"), Decode("&#0;"));
    EXPECT_EQ(CString("&#65"), Decode("&#65"));
    EXPECT_EQ(CString("A"), Decode("&#0000065;"));
    EXPECT_EQ(CString("&#00000065;"), Decode("&#00000065;"));  // ";" not within the next eight characters
    EXPECT_EQ(CString("&#-65;"), Decode("&#-65;"));
    EXPECT_EQ(CString("A;"), Decode("&#65;;"));
    EXPECT_EQ(CString("&#65"), XmlDocument::DecodeEntities("&#65;", 4));
    // Characters outside ASCII are written in the code page: U+4E2D is GBK D6 D0.
    EXPECT_EQ(CString("\xD6\xD0"), Decode("&#20013;"));
    EXPECT_EQ(CString("\xD6\xD0\xCE\xC4"), Decode("&#x4e2d;&#x6587;"));
    EXPECT_EQ(CString("中文"), Decode("&#x4e2d;&#25991;"));
    // No form in the code page (Thai, a lone surrogate, beyond Unicode): the reference stays as it is.
    EXPECT_EQ(CString("&#x0E01;"), Decode("&#x0E01;"));
    EXPECT_EQ(CString("&#xD800;"), Decode("&#xD800;"));
    EXPECT_EQ(CString("&#x110000;"), Decode("&#x110000;"));
}

TEST(XmlEntities, DoubleByteCharactersAreCopiedWhole)
{
    EXPECT_EQ(CString("\xD6\xD0&\x81\\"), Decode("\xD6\xD0&amp;\x81\\"));
    // A lead byte takes the "&" after it along, so no reference starts there.
    EXPECT_EQ(CString("\x81&amp;"), Decode("\x81&amp;"));
}

TEST(XmlEntities, EncodeEscapesTheFiveCharacters)
{
    EXPECT_EQ(CString("&lt;a &amp; &apos;b&apos; &quot;c&quot;&gt;"),
              EncodeEntities("<a & 'b' \"c\">"));
    EXPECT_EQ(CString("中文 plain"), EncodeEntities("中文 plain"));
    EXPECT_EQ(CString(""), EncodeEntities(""));
}

TEST(XmlEntities, DecodingWhatIsEncodedGivesItBack)
{
    for (const char* p : {"&amp;", "&#65;", "a<b>&c\"d'e", "中文&lt;", "\x81&", "&\x81", "\xD6"}) {
        CString s(p);
        EXPECT_EQ(s, XmlDocument::DecodeEntities(EncodeEntities(s))) << p;
    }
    std::mt19937 rng(20261207);
    const char alphabet[] = "<&>'\";#x0123456789abdegilmopqtu \x81\xD6\xFE\x40\x5C";
    for (int n = 0; n < 2000; ++n) {
        std::string s(rng() % 24, ' ');
        for (char& c : s) c = alphabet[rng() % (sizeof alphabet - 1)];
        CString text(s);
        ASSERT_EQ(text, XmlDocument::DecodeEntities(EncodeEntities(text))) << s;
    }
}

TEST(XmlEntities, AttributeValuesAreDecoded)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<r v='&lt;&#x4e2d;&amp;amp;&#65'/>"));
    ASSERT_TRUE(doc.FindElement("r"));
    EXPECT_EQ(CString("<\xD6\xD0&amp;&#65"), doc.GetAttribute("v"));
}
