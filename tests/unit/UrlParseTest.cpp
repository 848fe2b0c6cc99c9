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

TEST(UrlParse, PartsOfWellFormedUrls)
{
    const struct {
        const char* url;
        unsigned long service;
        const char *server, *object, *user, *password;
        unsigned short port;
    } cases[] = {
        {"http://dl.corvane.example/d/setup.exe?v=2&x=1#part", AFX_INET_SERVICE_HTTP, "dl.corvane.example",
         "/d/setup.exe?v=2&x=1", "", "", 80},
        {"HTTPS://h", AFX_INET_SERVICE_HTTPS, "h", "/", "", "", 443},
        {"http://h:8080?a=b", AFX_INET_SERVICE_HTTP, "h", "/?a=b", "", "", 8080},
        {"http://h:/x", AFX_INET_SERVICE_HTTP, "h", "/x", "", "", 80},
        {"Ftp://anon@h/f", AFX_INET_SERVICE_FTP, "h", "/f", "anon", "", 21},
        // The log-in ends at the last "@"; the password starts after the first ":".
        {"ftp://corvane:pa:ss@w@127.0.0.1:2121/pub/setup.exe", AFX_INET_SERVICE_FTP, "127.0.0.1", "/pub/setup.exe",
         "corvane", "pa:ss@w", 2121},
        {"http://[::1]:8080/x", AFX_INET_SERVICE_HTTP, "[::1]", "/x", "", "", 8080},
        {"file:///C:/dl/a.exe", AFX_INET_SERVICE_FILE, "", "///C:/dl/a.exe", "", "", 0},
    };
    for (const auto& c : cases) {
        Parsed p = Parse(c.url);
        ASSERT_TRUE(p.ok) << c.url;
        EXPECT_EQ(p.service, c.service) << c.url;
        EXPECT_EQ(p.server, c.server) << c.url;
        EXPECT_EQ(p.object, c.object) << c.url;
        EXPECT_EQ(p.user, c.user) << c.url;
        EXPECT_EQ(p.password, c.password) << c.url;
        EXPECT_EQ(p.port, c.port) << c.url;
    }
}

TEST(UrlParse, MalformedUrlsFailWithEmptyParts)
{
    const char* bad[] = {"", "setup.exe", "C:\\dl\\setup.exe", "http:/h/x", "http://", "http://:80/x", "http://h:0/",
                         "http://h:65536/", "http://h:8o/", "http://h:80x/", "http://[::1/x", "mailto:a@b"};
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
    ASSERT_TRUE(AfxParseURL("ftp://u:p@h:99/o", service, server, object, port));
    EXPECT_EQ(server, "h");
    EXPECT_EQ(port, 99);
}
