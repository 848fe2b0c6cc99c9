// Helpers of the download tests: paths and ports of the servers that ctest started, logs, notifications.
#include "DownloadTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "EnvFolder.h"

namespace dltest {

std::string ServersDir()
{
    return EnvFolder("CORVANE_DL_SERVERS");
}

int Port(const char* pszName)
{
    std::ifstream in(ServersDir() + "\\ports.txt");
    std::string line, key = std::string(pszName) + "=";
    while (std::getline(in, line))
        if (line.compare(0, key.size(), key) == 0) return std::atoi(line.c_str() + key.size());
    ADD_FAILURE() << "no " << pszName << " in ports.txt; were the servers started?";
    return 0;
}

std::string NginxUrl(const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(Port("CORVANE_DL_NGINX_PORT")) + "/" + path;
}

std::string FaultUrl(const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(Port("CORVANE_DL_FAULT_PORT")) + "/" + path;
}

std::string TlsUrl(const std::string& path, const char* pszPortName)
{
    return "https://localhost:" + std::to_string(Port(pszPortName)) + "/" + path;
}

std::string FtpUrl(const std::string& path, const char* pszLogin, bool bRestRefused)
{
    int port = Port(bRestRefused ? "CORVANE_DL_FTP_NOREST_PORT" : "CORVANE_DL_FTP_PORT");
    std::string login = pszLogin ? std::string(pszLogin) + "@" : std::string();
    return "ftp://" + login + "127.0.0.1:" + std::to_string(port) + "/" + path;
}

std::string ProxyAddress()
{
    return "127.0.0.1:" + std::to_string(Port("CORVANE_DL_PROXY_PORT"));
}

ProxySetting::ProxySetting(bool bEnabled, const std::string& server, const std::string& bypass)
{
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                          nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_hKey, nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "the Internet settings cannot be opened";
        m_hKey = nullptr;
        return;
    }
    for (const char* pszName : {"ProxyEnable", "ProxyServer", "ProxyOverride"}) {
        Saved saved{pszName, false, 0, {}};
        DWORD dwSize = 0;
        if (::RegQueryValueExA(m_hKey, pszName, nullptr, &saved.dwType, nullptr, &dwSize) == ERROR_SUCCESS) {
            saved.data.resize(dwSize);
            saved.bPresent = ::RegQueryValueExA(m_hKey, pszName, nullptr, &saved.dwType, saved.data.data(),
                                                &dwSize) == ERROR_SUCCESS;
        }
        m_saved.push_back(saved);
    }
    const DWORD dwEnabled = bEnabled ? 1 : 0;
    ::RegSetValueExA(m_hKey, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwEnabled), sizeof dwEnabled);
    ::RegSetValueExA(m_hKey, "ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                     static_cast<DWORD>(server.size() + 1));
    ::RegSetValueExA(m_hKey, "ProxyOverride", 0, REG_SZ, reinterpret_cast<const BYTE*>(bypass.c_str()),
                     static_cast<DWORD>(bypass.size() + 1));
}

ProxySetting::~ProxySetting()
{
    if (!m_hKey) return;
    for (const Saved& saved : m_saved) {
        if (saved.bPresent)
            ::RegSetValueExA(m_hKey, saved.pszName, 0, saved.dwType, saved.data.data(),
                             static_cast<DWORD>(saved.data.size()));
        else
            ::RegDeleteValueA(m_hKey, saved.pszName);
    }
    ::RegCloseKey(m_hKey);
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Served(const std::string& name)
{
    std::string path = ServersDir() + "\\www\\" + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return ReadBytes(path);
}

LogTail::LogTail(const char* pszLogName)
    : m_path(ServersDir() + "\\logs\\" + pszLogName), m_start(ReadBytes(m_path).size())
{
}

std::vector<std::string> LogTail::NewLines(size_t atLeast) const
{
    const DWORD started = ::GetTickCount();
    for (;;) {
        std::string all = ReadBytes(m_path);
        std::istringstream in(all.size() > m_start ? all.substr(m_start) : std::string());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        if (lines.size() >= atLeast || ::GetTickCount() - started > 10000) return lines;
        ::Sleep(10);
    }
}

std::vector<Notification> DrainThreadMessages(HWND hWnd)
{
    std::vector<Notification> notes;
    MSG msg;
    while (::PeekMessageA(&msg, hWnd, kNotifyMsg, kNotifyMsg, PM_REMOVE)) notes.push_back({msg.wParam, msg.lParam});
    return notes;
}

void DownloadTest::SetUp()
{
    ASSERT_FALSE(ServersDir().empty()) << "CORVANE_DL_SERVERS is not set; run the tests through ctest";
    char base[MAX_PATH];
    ::GetTempPathA(MAX_PATH, base);
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = std::string(base) + "corvane-dl-" + info->test_suite_name() + "-" + info->name();
    ::CreateDirectoryA(m_dir.c_str(), nullptr);
    m_dest = m_dir + "\\setup.exe";
    ::DeleteFileA(m_dest.c_str());
    ::DeleteFileA(Temp().c_str());
    // A thread has a message queue only once it has used one; posts to it fail before that.
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    DrainThreadMessages(nullptr);
}

void DownloadTest::TearDown()
{
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((m_dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileA((m_dir + "\\" + fd.cFileName).c_str());
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(m_dir.c_str());
}

int DownloadTest::Download(const std::string& url)
{
    m_engine.SetNotify(::GetCurrentThreadId(), nullptr, kNotifyMsg);
    int result = m_engine.DownLoadFile(url.c_str(), m_dest.c_str());
    m_notes = DrainThreadMessages(nullptr);
    return result;
}

std::vector<Notification> DownloadTest::Of(unsigned code) const
{
    std::vector<Notification> out;
    for (const Notification& n : m_notes)
        if (n.Code() == code) out.push_back(n);
    return out;
}

}  // namespace dltest
