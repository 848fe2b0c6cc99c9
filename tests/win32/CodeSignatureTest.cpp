// Authenticode checks on programs the test_pki fixture signed with osslsigncode, under a root trusted in the
// prefix: the signer's name, the chain's root, changed content, missing files and handles left open.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "EnvFolder.h"
#include "InstallerTrusted.h"
#include "VerifyCodeSigner.h"

namespace {

const wchar_t kSigner[] = L"Corvane Test Signer";
const wchar_t kOtherSigner[] = L"Corvane Other Signer";

class CodeSignature : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(EnvFolder("CORVANE_TEST_PKI").empty()) << "CORVANE_TEST_PKI is not set; run through ctest";
        ASSERT_NE(::GetFileAttributesA(Signed("signer").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the test_pki fixture made no signed programs";
    }

    // A program of the fixture: "unsigned", "signer", "other-signer", "untrusted-signer" or "changed".
    static std::string Signed(const char* pszName)
    {
        return EnvFolder("CORVANE_TEST_PKI") + "\\signed\\" + pszName + ".exe";
    }

    // Whether nothing holds the file open: an exclusive open fails while the check's state keeps a handle.
    static bool OpenedExclusively(const std::string& path)
    {
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        ::CloseHandle(h);
        return true;
    }
};

TEST_F(CodeSignature, AcceptsOnlyTheExactCommonNameOfTheTrustedSigner)
{
    EXPECT_TRUE(VerifyCodeSigner(Signed("signer").c_str(), kSigner));
    EXPECT_FALSE(VerifyCodeSigner(Signed("signer").c_str(), L"Corvane Test"));
    EXPECT_FALSE(VerifyCodeSigner(Signed("signer").c_str(), L"Corvane Test Signer "));
    EXPECT_FALSE(VerifyCodeSigner(Signed("signer").c_str(), L"corvane test signer"));
    EXPECT_FALSE(VerifyCodeSigner(Signed("signer").c_str(), L"Corvane Tests"));  // the organisation
    EXPECT_FALSE(VerifyCodeSigner(Signed("signer").c_str(), L"Corvane Test Root"));  // the issuer
    EXPECT_FALSE(VerifyCodeSigner(Signed("signer").c_str(), L""));
    EXPECT_FALSE(VerifyCodeSigner(Signed("signer").c_str(), nullptr));
}

TEST_F(CodeSignature, ReadsTheNameFromTheCertificateThatSigned)
{
    EXPECT_FALSE(VerifyCodeSigner(Signed("other-signer").c_str(), kSigner));
    EXPECT_TRUE(VerifyCodeSigner(Signed("other-signer").c_str(), kOtherSigner));
    EXPECT_FALSE(VerifyCodeSigner(Signed("signer").c_str(), kOtherSigner));
}

TEST_F(CodeSignature, RefusesWhatThePlatformCheckRefuses)
{
    EXPECT_FALSE(VerifyCodeSigner(Signed("unsigned").c_str(), kSigner));
    EXPECT_FALSE(VerifyCodeSigner(Signed("changed").c_str(), kSigner));
    // The right name on a certificate from a root that nothing trusts.
    EXPECT_FALSE(VerifyCodeSigner(Signed("untrusted-signer").c_str(), kSigner));
    EXPECT_FALSE(VerifyCodeSigner((Signed("signer") + ".missing").c_str(), kSigner));
    EXPECT_FALSE(VerifyCodeSigner(EnvFolder("CORVANE_TEST_PKI").c_str(), kSigner));
    EXPECT_FALSE(VerifyCodeSigner("", kSigner));
}

TEST_F(CodeSignature, ChecksAFileUnderANameInTheAnsiCodePage)
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::string copy = std::string(temp) + "安装程序-签名.exe";
    ASSERT_TRUE(::CopyFileA(Signed("signer").c_str(), copy.c_str(), FALSE));
    EXPECT_TRUE(VerifyCodeSigner(copy.c_str(), kSigner));
    EXPECT_TRUE(::DeleteFileA(copy.c_str()));
}

TEST_F(CodeSignature, LeavesNoHandleOnTheFileWhateverTheOutcome)
{
    for (const char* name : {"signer", "other-signer", "changed", "unsigned", "untrusted-signer"}) {
        VerifyCodeSigner(Signed(name).c_str(), kSigner);
        EXPECT_TRUE(OpenedExclusively(Signed(name))) << name;
    }
}

// This program compiles InstallerTrusted with the name "Corvane Test Signer" built in.
TEST_F(CodeSignature, InstallerTrustedWithASignerBuiltIn)
{
    EXPECT_TRUE(InstallerTrusted(Signed("signer").c_str()));
    EXPECT_FALSE(InstallerTrusted(Signed("unsigned").c_str()));
    EXPECT_FALSE(InstallerTrusted(Signed("other-signer").c_str()));
    EXPECT_FALSE(InstallerTrusted(Signed("changed").c_str()));
    EXPECT_FALSE(InstallerTrusted(Signed("untrusted-signer").c_str()));
}

}  // namespace
