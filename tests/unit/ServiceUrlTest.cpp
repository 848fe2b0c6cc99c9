// ServiceUrl: schemes, ports, object names and the host-and-port rules of the setup-info request.
#include <gtest/gtest.h>

#include "ServiceUrl.h"

namespace {
ServiceUrl SplitOk(const char* url)
{
    ServiceUrl parts;
    EXPECT_TRUE(ServiceUrl::Split(url, &parts)) << url;
    return parts;
}
}  // namespace

TEST(ServiceUrl, PlainHttpUsesPort80AndKeepsTheQuery)
{
    ServiceUrl u = SplitOk("http://setup.corvane.example/ClientSrv/Getqzvrsetup.aspx?vertype=0");
    EXPECT_FALSE(u.secure);
    EXPECT_EQ(CString("setup.corvane.example"), u.host);
    EXPECT_EQ(80, u.port);
    EXPECT_EQ(CString("ClientSrv/Getqzvrsetup.aspx?vertype=0"), u.object);
}

TEST(ServiceUrl, ExplicitPortAfterTheHost)
{
    ServiceUrl u = SplitOk("http://127.0.0.1:8080/a/b?x=1/2");
    EXPECT_EQ(CString("127.0.0.1"), u.host);
    EXPECT_EQ(8080, u.port);
    EXPECT_EQ(CString("a/b?x=1/2"), u.object);
}

TEST(ServiceUrl, HttpsUses443AndTheSecureFlag)
{
    ServiceUrl u = SplitOk("https://secure.example/path");
    EXPECT_TRUE(u.secure);
    EXPECT_EQ(443, u.port);
    EXPECT_EQ(CString("secure.example"), u.host);
    ServiceUrl v = SplitOk("https://secure.example:8443/");
    EXPECT_EQ(8443, v.port);
    EXPECT_EQ(CString(""), v.object);
}

TEST(ServiceUrl, OtherSchemesAndBareHostsAreRefused)
{
    ServiceUrl u;
    EXPECT_FALSE(ServiceUrl::Split("ftp://host/file", &u));
    EXPECT_FALSE(ServiceUrl::Split("host/ClientSrv/Getqzvrsetup.aspx", &u));
    EXPECT_FALSE(ServiceUrl::Split("", &u));
    EXPECT_FALSE(ServiceUrl::Split("HTTP://host/", &u));
}

TEST(ServiceUrl, OddHostParts)
{
    // A colon without a number keeps the default port; a trailing colon is trimmed from the host.
    ServiceUrl u = SplitOk("http://host:/x");
    EXPECT_EQ(CString("host"), u.host);
    EXPECT_EQ(80, u.port);
    // Out-of-range or non-numeric ports keep the default.
    EXPECT_EQ(80, SplitOk("http://host:99999/x").port);
    EXPECT_EQ(80, SplitOk("http://host:abc/x").port);
    // No path at all: the host alone, an empty object.
    ServiceUrl v = SplitOk("http://host:81");
    EXPECT_EQ(CString("host"), v.host);
    EXPECT_EQ(81, v.port);
    EXPECT_EQ(CString(""), v.object);
}
