// ResolveLocation: redirect targets resolved as RFC 3986 section 5 resolves references.
#include <gtest/gtest.h>

#include "RedirectLocation.h"

namespace {

CString Resolve(const char* base, const char* location)
{
    CString out("unchanged");
    EXPECT_TRUE(ResolveLocation(base, location, out)) << base << " + " << location;
    return out;
}

}  // namespace

TEST(UrlResolve, AbsoluteUrlIsTakenAsItIs)
{
    EXPECT_EQ(Resolve("http://h/d/setup.exe", "http://other:81/p?q"), "http://other:81/p?q");
    EXPECT_EQ(Resolve("http://h/d/setup.exe", "ftp://f/x"), "ftp://f/x");
}

TEST(UrlResolve, AbsolutePathReplacesThePath)
{
    EXPECT_EQ(Resolve("http://h:8080/d/setup.exe?x=1", "/path/a.exe"), "http://h:8080/path/a.exe");
    EXPECT_EQ(Resolve("http://u:p@h/d/", "/a"), "http://u:p@h/a");
}

TEST(UrlResolve, NetworkPathKeepsTheScheme)
{
    EXPECT_EQ(Resolve("http://h/d/setup.exe", "//cdn.example/x.exe"), "http://cdn.example/x.exe");
}

TEST(UrlResolve, RelativeNameJoinsTheDirectory)
{
    EXPECT_EQ(Resolve("http://h/d/setup.exe", "other.exe"), "http://h/d/other.exe");
    EXPECT_EQ(Resolve("http://h/d/setup.exe?a=b/c", "other.exe"), "http://h/d/other.exe");
    EXPECT_EQ(Resolve("http://h", "other.exe"), "http://h/other.exe");
    EXPECT_EQ(Resolve("http://h/d/", "x/y.exe?z=1"), "http://h/d/x/y.exe?z=1");
}

TEST(UrlResolve, DotSegmentsAreRemoved)
{
    EXPECT_EQ(Resolve("http://h/a/b/c", "../d"), "http://h/a/d");
    EXPECT_EQ(Resolve("http://h/a/b/c", "./d"), "http://h/a/b/d");
    EXPECT_EQ(Resolve("http://h/a/b/c", "../../../../d"), "http://h/d");
    EXPECT_EQ(Resolve("http://h/a/b/c", ".."), "http://h/a/");
    EXPECT_EQ(Resolve("http://h/a/b/c", "/x/./y/../z"), "http://h/x/z");
}

TEST(UrlResolve, QueryAndEmptyReferencesKeepThePath)
{
    EXPECT_EQ(Resolve("http://h/d/setup.exe?old", "?new"), "http://h/d/setup.exe?new");
    EXPECT_EQ(Resolve("http://h/d/setup.exe?old#f", ""), "http://h/d/setup.exe?old");
}

TEST(UrlResolve, BaseWithoutAnAuthorityCannotResolveRelativeValues)
{
    CString out("unchanged");
    EXPECT_FALSE(ResolveLocation("setup.exe", "other.exe", out));
    EXPECT_FALSE(ResolveLocation("file:C:/x", "y", out));
    EXPECT_EQ(out, "unchanged");
}
