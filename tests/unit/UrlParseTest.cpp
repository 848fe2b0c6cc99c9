// AfxParseURL and AfxParseURLEx: service types, default and explicit ports, objects, log-ins and rejections.
#include <gtest/gtest.h>

#include "AfxParseURL.h"

namespace {

struct Parsed {
    int ok;
    unsigned long service;
    CString server, object, user, password;
    unsigned short port;
};

Parsed Parse(const char* url)
{
    Parsed p{};
    p.ok = AfxParseURLEx(url, p.service, p.server, p.object, p.port, p.user, p.password);
    return p;
}

}  // namespace

TEST(UrlParse, HttpWithDefaultPortAndObjectWithQuery)
{
    Parsed p = Parse("http://dl.corvane.example/d/setup.exe?v=2&x=1#part");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.service, AFX_INET_SERVICE_HTTP);
    EXPECT_EQ(p.server, "dl.corvane.example");
    EXPECT_EQ(p.port, 80);
    EXPECT_EQ(p.object, "/d/setup.exe?v=2&x=1");
    EXPECT_TRUE(p.user.IsEmpty());
}

TEST(UrlParse, SchemesAreCaseInsensitiveAndGiveTheirDefaultPorts)
{
    EXPECT_EQ(Parse("HTTPS://h/").service, AFX_INET_SERVICE_HTTPS);
    EXPECT_EQ(Parse("HTTPS://h/").port, 443);
    EXPECT_EQ(Parse("Ftp://h/f").service, AFX_INET_SERVICE_FTP);
    EXPECT_EQ(Parse("Ftp://h/f").port, 21);
}

TEST(UrlParse, ExplicitPortAndEmptyPathGiveSlash)
{
    Parsed p = Parse("http://127.0.0.1:18510");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.server, "127.0.0.1");
    EXPECT_EQ(p.port, 18510);
    EXPECT_EQ(p.object, "/");
    Parsed q = Parse("http://h:8080?a=b");
    ASSERT_TRUE(q.ok);
    EXPECT_EQ(q.port, 8080);
    EXPECT_EQ(q.object, "/?a=b");
    Parsed empty = Parse("http://h:/x");
    ASSERT_TRUE(empty.ok);
    EXPECT_EQ(empty.port, 80);
}

TEST(UrlParse, FtpLogInIsSplitAtTheLastAtAndFirstColon)
{
    Parsed p = Parse("ftp://corvane:pa:ss@w@127.0.0.1:2121/pub/setup.exe");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.user, "corvane");
    EXPECT_EQ(p.password, "pa:ss@w");
    EXPECT_EQ(p.server, "127.0.0.1");
    EXPECT_EQ(p.port, 2121);
    EXPECT_EQ(p.object, "/pub/setup.exe");
    Parsed userOnly = Parse("ftp://anon@h/f");
    EXPECT_EQ(userOnly.user, "anon");
    EXPECT_TRUE(userOnly.password.IsEmpty());
}

TEST(UrlParse, Ipv6LiteralKeepsItsBrackets)
{
    Parsed p = Parse("http://[::1]:8080/x");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.server, "[::1]");
    EXPECT_EQ(p.port, 8080);
    EXPECT_FALSE(Parse("http://[::1/x").ok);
}

TEST(UrlParse, FileUrlsHaveAnObjectOnly)
{
    Parsed p = Parse("file:///C:/dl/a.exe");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.service, AFX_INET_SERVICE_FILE);
    EXPECT_EQ(p.object, "///C:/dl/a.exe");
    EXPECT_TRUE(p.server.IsEmpty());
}

TEST(UrlParse, MalformedUrlsFailWithEmptyParts)
{
    const char* bad[] = {"", "setup.exe", "C:\\dl\\setup.exe", "http:/h/x", "http://", "http://:80/x",
                         "http://h:0/", "http://h:65536/", "http://h:8o/", "http://h:80x/", "mailto:a@b"};
    for (const char* url : bad) {
        Parsed p = Parse(url);
        EXPECT_FALSE(p.ok) << url;
        EXPECT_TRUE(p.server.IsEmpty()) << url;
        EXPECT_TRUE(p.object.IsEmpty()) << url;
        EXPECT_EQ(p.port, 0) << url;
    }
    EXPECT_EQ(Parse("mailto:a@b").service, AFX_INET_SERVICE_UNK);
    EXPECT_EQ(Parse("http:/h/x").service, AFX_INET_SERVICE_HTTP);
    unsigned long service = 0;
    CString server, object;
    unsigned short port = 1;
    EXPECT_FALSE(AfxParseURL(nullptr, service, server, object, port));
}

TEST(UrlParse, ShortFormAgreesWithTheLongForm)
{
    unsigned long service = 0;
    CString server, object;
    unsigned short port = 0;
    ASSERT_TRUE(AfxParseURL("ftp://u:p@h:99/o", service, server, object, port));
    EXPECT_EQ(service, AFX_INET_SERVICE_FTP);
    EXPECT_EQ(server, "h");
    EXPECT_EQ(object, "/o");
    EXPECT_EQ(port, 99);
}
