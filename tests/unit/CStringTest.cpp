// CString: substring clamping, search, replace and trim rules that the URL and path code relies on.
#include <gtest/gtest.h>

#include "CString.h"

TEST(CString, SubstringsClampOutOfRangeArguments)
{
    CString s("abcdef");
    EXPECT_EQ(CString("abc"), s.Left(3));
    EXPECT_EQ(s, s.Left(99));
    EXPECT_EQ(CString(""), s.Left(-1));
    EXPECT_EQ(CString("cdef"), s.Mid(2));
    EXPECT_EQ(CString("cd"), s.Mid(2, 2));
    EXPECT_EQ(CString(""), s.Mid(10));
}

TEST(CString, Find)
{
    CString s("http://host:8080/d/setup.exe");
    EXPECT_EQ(0, s.Find("http://"));
    EXPECT_EQ(11, s.Find(':', 5));
    EXPECT_EQ(16, s.Find('/', 7));
    EXPECT_EQ(-1, s.Find("https://"));
    EXPECT_EQ(-1, s.Find('x', 100));
    EXPECT_EQ(-1, CString().Find('/'));
}

TEST(CString, ReplaceAndTrim)
{
    CString s("a\r\nb\r\n");
    EXPECT_EQ(2, s.Replace("\r\n", "\n"));
    EXPECT_EQ(CString("a\nb\n"), s);
    CString p("C:/dl/a.exe");
    EXPECT_EQ(2, p.Replace('/', '\\'));
    EXPECT_EQ(CString("C:\\dl\\a.exe"), p);
    CString host("host:::");
    EXPECT_EQ(CString("host"), host.TrimRight(":/"));
    CString port(":::80");
    EXPECT_EQ(CString("80"), port.TrimLeft(":"));
    CString blanks(" \t url \r\n");
    EXPECT_EQ(CString("url"), blanks.Trim());
    CString all("::::");
    EXPECT_EQ(CString(""), all.TrimLeft(":"));
}

TEST(CString, FormatHandlesLongOutputAndNumbers)
{
    CString s;
    s.Format("%s\\qzvr_setup_%d.exe", "C:\\data", 0);
    EXPECT_EQ(CString("C:\\data\\qzvr_setup_0.exe"), s);
    std::string longArg(10000, 'x');
    s.Format("[%s]", longArg.c_str());
    EXPECT_EQ(10002, s.GetLength());
    s.Format("%.2fM", 10485760u / 1048576.0);
    EXPECT_EQ(CString("10.00M"), s);
}

TEST(CString, BufferAccess)
{
    CString s;
    char* p = s.GetBuffer(16);
    std::snprintf(p, 17, "%s", "partial");
    s.ReleaseBuffer();
    EXPECT_EQ(CString("partial"), s);
    s.GetBuffer(4);
    s.ReleaseBuffer(3);
    EXPECT_EQ(CString("par"), s);
}
