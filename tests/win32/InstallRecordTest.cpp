// Install record and file signature on real files: exact record bytes, reading back, and hashing in pieces.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "FileSignature.h"
#include "InstallRecord.h"
#include "InstallerGlobals.h"
#include "Md5.h"
#include "TempFolder.h"

namespace {

class InstallRecordFile : public TempFolder {};
class FileSignatureOfFiles : public TempFolder {};

}  // namespace

TEST_F(InstallRecordFile, WritesTheExactBytesAndReadsThemBack)
{
    g_strFileSign = "0123456789ABCDEF0123456789abcdef";
    WriteInstallRecord(m_dir);
    std::string bytes = ReadAll(InstallRecordPath(m_dir));
    EXPECT_EQ(112u, bytes.size());
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"gb2312\" ?><downloadqzvr vertype=\"0\" "
              "filesign=\"0123456789ABCDEF0123456789abcdef\" />",
              bytes);
    g_strFileSign.Empty();
    ReadInstallRecord(m_dir);
    EXPECT_EQ(CString("0123456789ABCDEF0123456789abcdef"), g_strFileSign);
}

TEST_F(InstallRecordFile, ReplacesALongerOldRecord)
{
    WriteAll(InstallRecordPath(m_dir), std::string(500, 'x'));
    g_strFileSign = "";
    WriteInstallRecord(m_dir);
    EXPECT_EQ(80u, ReadAll(InstallRecordPath(m_dir)).size());
    g_strFileSign = "stale";
    ReadInstallRecord(m_dir);
    EXPECT_EQ(CString(""), g_strFileSign);
}

TEST_F(InstallRecordFile, MarkupInTheSignatureSurvivesTheRoundTrip)
{
    const char* tricky = "a\"b<c>&d'e";
    g_strFileSign = tricky;
    WriteInstallRecord(m_dir);
    g_strFileSign.Empty();
    ReadInstallRecord(m_dir);
    EXPECT_EQ(CString(tricky), g_strFileSign);
}

TEST_F(InstallRecordFile, UnreadableRecordsLeaveTheSignatureAlone)
{
    g_strFileSign = "kept";
    ReadInstallRecord(m_dir);  // no file
    EXPECT_EQ(CString("kept"), g_strFileSign);
    WriteAll(InstallRecordPath(m_dir), "<downloadqzvr filesign=\"x\"");  // not well-formed
    ReadInstallRecord(m_dir);
    EXPECT_EQ(CString("kept"), g_strFileSign);
    WriteAll(InstallRecordPath(m_dir), "<other filesign=\"x\" />");  // another root
    ReadInstallRecord(m_dir);
    EXPECT_EQ(CString("kept"), g_strFileSign);
    WriteAll(InstallRecordPath(m_dir), "<downloadqzvr vertype=\"0\" />");  // no attribute: empty
    ReadInstallRecord(m_dir);
    EXPECT_EQ(CString(""), g_strFileSign);
}

TEST_F(InstallRecordFile, RecordsWrittenBeforeEscapingReadAsTheyDid)
{
    WriteAll(InstallRecordPath(m_dir),
             "<?xml version=\"1.0\" encoding=\"gb2312\" ?><downloadqzvr vertype=\"0\" "
             "filesign=\"D41D8CD98F00B204E9800998ECF8427E\" />");
    ReadInstallRecord(m_dir);
    EXPECT_EQ(CString("D41D8CD98F00B204E9800998ECF8427E"), g_strFileSign);
}

TEST_F(InstallRecordFile, AMissingFolderWritesNothingAndDoesNotFail)
{
    g_strFileSign = "x";
    WriteInstallRecord(m_dir + "\\missing\\deeper");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(m_dir + "\\missing"));
}

TEST_F(FileSignatureOfFiles, EmptyMissingAndLargeFiles)
{
    WriteAll(Path("setup.exe"), "");
    EXPECT_EQ(CString("d41d8cd98f00b204e9800998ecf8427e"), FileSignature(Path("setup.exe")));
    EXPECT_EQ(CString(""), FileSignature(Path("absent.exe")));

    // Larger than one hashing piece and not a multiple of it: the result equals the digest of the whole.
    std::string data(3 * 256 * 1024 + 12345, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteAll(Path("setup.exe"), data);
    unsigned char digest[16];
    Md5::Digest(data.data(), data.size(), digest);
    char hex[33];
    Md5::ToHex(digest, hex);
    CString signature = FileSignature(Path("setup.exe"));
    EXPECT_EQ(CString(hex), signature);
    EXPECT_EQ(32, signature.GetLength());
}
