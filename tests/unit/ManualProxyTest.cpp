// ManualProxy: the lists a named-proxy session is opened with, from the texts the user's settings hold.
#include <gtest/gtest.h>

#include "ManualProxy.h"

namespace {

std::string Proxy(const char* pszServer)
{
    return ManualProxy::FromSettings(pszServer, "").m_strProxy.GetString();
}

std::string Bypass(const char* pszOverride)
{
    return ManualProxy::FromSettings("proxy:3128", pszOverride).m_strBypass.GetString();
}

}  // namespace

TEST(ManualProxy, OneServerForEverySchemeServesTheWebsSchemesOnly)
{
    EXPECT_EQ(Proxy("proxy.corp.test:8080"), "http=proxy.corp.test:8080 https=proxy.corp.test:8080");
    EXPECT_EQ(Proxy("  proxy:3128 ;"), "http=proxy:3128 https=proxy:3128");
}

TEST(ManualProxy, AnEntryOfItsOwnWinsOverTheOneForEveryScheme)
{
    EXPECT_EQ(Proxy("http=a:1;https=b:2;ftp=c:3;socks=d:4"), "http=a:1 https=b:2");
    EXPECT_EQ(Proxy("HTTPS = b:2 ; every:9"), "http=every:9 https=b:2");
    EXPECT_EQ(Proxy("every:9;http=a:1"), "http=a:1 https=every:9");
    EXPECT_EQ(Proxy("https=b:2"), "https=b:2");
    // A scheme that only starts like one of the web's is another scheme.
    EXPECT_EQ(Proxy("httpx=x:1;http2=y:2"), "");
}

TEST(ManualProxy, NoServerForTheWebMeansNoProxy)
{
    for (const char* server : {"", " ; ", "ftp=c:3", "socks=d:4;ftp=c:3"}) {
        ManualProxy proxy = ManualProxy::FromSettings(server, "localhost");
        EXPECT_FALSE(proxy.IsSet()) << server;
        EXPECT_STREQ(proxy.m_strProxy, "") << server;
    }
    EXPECT_TRUE(ManualProxy::FromSettings("proxy:3128", "").IsSet());
}

TEST(ManualProxy, BypassEntriesAreTrimmedAndJoinedBySemicolons)
{
    EXPECT_EQ(Bypass(""), "");
    EXPECT_EQ(Bypass(" localhost ; *.corp.test;<local>;; 10.* "), "localhost;*.corp.test;<local>;10.*");
    EXPECT_EQ(Bypass("a.test b.test\t<-loopback>"), "a.test;b.test;<-loopback>");
}
