// Helpers of the download tests: the servers' ports and files, scratch folders, collected notifications, logs.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CDownloadFile.h"

namespace dltest {

const UINT kNotifyMsg = 0x465;

// The state folder of the download tests' servers (scripts/localservers.py) as a Windows path (Wine maps Z: to
// the Unix root).
std::string ServersDir();
// A port from the servers' ports.txt, by its name.
int Port(const char* pszName);
std::string NginxUrl(const std::string& path);
std::string FaultUrl(const std::string& path);
// An https URL at "localhost" (the name the test certificates carry) on one of the TLS servers' ports.
std::string TlsUrl(const std::string& path, const char* pszPortName = "CORVANE_DL_TLS_PORT");
std::string FtpUrl(const std::string& path, const char* pszLogin = nullptr, bool bRestRefused = false);

// "127.0.0.1:PORT" of the tests' forward proxy, which reaches names under ".test" at 127.0.0.1.
std::string ProxyAddress();

// The user's manual proxy in the Internet settings of this prefix while the object lives; what was there before
// is put back.
class ProxySetting {
public:
    ProxySetting(bool bEnabled, const std::string& server, const std::string& bypass);
    ~ProxySetting();
    ProxySetting(const ProxySetting&) = delete;
    ProxySetting& operator=(const ProxySetting&) = delete;

private:
    struct Saved {
        const char* pszName;
        bool bPresent;
        DWORD dwType;
        std::vector<BYTE> data;
    };
    HKEY m_hKey = nullptr;
    std::vector<Saved> m_saved;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// A served file's bytes, by its path under the document root ("small.bin", "d/setup.exe").
std::string Served(const std::string& name);

// The lines a server log gained since the object was made.
class LogTail {
public:
    explicit LogTail(const char* pszLogName);
    // nginx writes a request's line after the response has gone out, so that a client may read the whole
    // response before the line is there: a test that knows how many lines its requests make waits for them
    // (10 s at most) before it reads.
    std::vector<std::string> NewLines(size_t atLeast = 0) const;

private:
    std::string m_path;
    size_t m_start;
};

struct Notification {
    WPARAM wParam;
    LPARAM lParam;
    unsigned Code() const { return LOWORD(wParam); }
    unsigned Id() const { return HIWORD(wParam); }
};

// A fresh folder per test with the destination path in it; removed with everything in it afterwards.
class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs DownLoadFile on this thread with the notifications posted to this thread, and collects them.
    int Download(const std::string& url);
    // Notifications of one code, in order.
    std::vector<Notification> Of(unsigned code) const;
    std::string Temp() const { return m_dest + ".df!"; }

    CDownloadFile m_engine;
    std::string m_dir;
    std::string m_dest;
    std::vector<Notification> m_notes;
};

std::vector<Notification> DrainThreadMessages(HWND hWnd);

}  // namespace dltest
