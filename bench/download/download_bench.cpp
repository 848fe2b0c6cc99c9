// Download benchmark: CDownloadFile with a window taking its notifications, a bare WinInet loop, and the
// per-call costs of the engine's loop (a 512-byte read, its write with and without the write-behind, the clock, a
// post, and the read-ahead's fills as they reach WinInet, the earlier way and the present one), on one URL.
// Usage: download_bench URL DEST_DIR RUNS; prints "name seconds" lines for the driver script.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CDownloadFile.h"
#include "CInternetSession.h"

namespace {

const UINT kNotify = 0x465;
const UINT kSentinel = WM_APP + 1;

double Now()
{
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

// The installer's side: a window on its own thread that stores what each notification carries.
struct ProgressWindow {
    HWND hWnd = nullptr;
    HANDLE hReady = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE hDrained = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    DWORD dwTotal = 0, dwReceived = 0, dwSpeed = 0, dwCount = 0;
    // Post times (GetMessageTime, ms) of DLP_START and DLP_TOTAL: the requests before the body.
    LONG lStartTime = 0, lTotalTime = 0;
    HANDLE hThread = nullptr;

    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<ProgressWindow*>(::GetWindowLongPtrA(h, GWLP_USERDATA));
        if (msg == kNotify && self) {
            ++self->dwCount;
            switch (LOWORD(wParam)) {
            case DLP_START: self->lStartTime = ::GetMessageTime(); break;
            case DLP_TOTAL:
                self->dwTotal = static_cast<DWORD>(lParam);
                self->lTotalTime = ::GetMessageTime();
                break;
            case DLP_RESUMED:
            case DLP_RECEIVED: self->dwReceived = static_cast<DWORD>(lParam); break;
            case DLP_SPEED: self->dwSpeed = static_cast<DWORD>(lParam); break;
            }
            return 0;
        }
        if (msg == kSentinel && self) {
            ::SetEvent(self->hDrained);
            return 0;
        }
        return ::DefWindowProcA(h, msg, wParam, lParam);
    }

    static DWORD WINAPI Run(LPVOID p)
    {
        auto* self = static_cast<ProgressWindow*>(p);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Proc;
        wc.lpszClassName = "CorvaneBenchProgress";
        ::RegisterClassA(&wc);
        self->hWnd = ::CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                       nullptr);
        ::SetWindowLongPtrA(self->hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        ::SetEvent(self->hReady);
        MSG msg;
        while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
        return 0;
    }

    void Start()
    {
        hThread = ::CreateThread(nullptr, 0, &Run, this, 0, nullptr);
        ::WaitForSingleObject(hReady, INFINITE);
    }
    void WaitDrained()
    {
        ::PostMessageA(hWnd, kSentinel, 0, 0);
        ::WaitForSingleObject(hDrained, INFINITE);
    }
    void Stop()
    {
        ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
        ::PostThreadMessageA(::GetThreadId(hThread), WM_QUIT, 0, 0);
        ::WaitForSingleObject(hThread, INFINITE);
        ::CloseHandle(hThread);
    }
};

DWORD FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One full engine download into a fresh destination; seconds until DownLoadFile returned.
double EngineRun(const std::string& url, const std::string& dest, ProgressWindow& window, double* pDrained,
                 DWORD* pBytes)
{
    ::DeleteFileA(dest.c_str());
    ::DeleteFileA((dest + ".df!").c_str());
    window.dwCount = 0;
    CDownloadFile engine;
    engine.SetNotify(0, window.hWnd, kNotify);
    double t0 = Now();
    int result = engine.DownLoadFile(url.c_str(), dest.c_str());
    double t1 = Now();
    window.WaitDrained();
    *pDrained = Now() - t0;
    *pBytes = result ? FileSize(dest) : 0;
    return t1 - t0;
}

// The plain platform loop: one request, 64 KiB per InternetReadFile, each block written to a file.
double BareRun(const std::string& url, const std::string& dest, DWORD* pBytes)
{
    double t0 = Now();
    HINTERNET hSession = ::InternetOpenA("bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET hUrl = ::InternetOpenUrlA(hSession, url.c_str(), nullptr, 0,
                                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    HANDLE hFile = ::CreateFileA(dest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::vector<char> buf(64 * 1024);
    DWORD total = 0, n = 0, written = 0;
    while (hUrl && ::InternetReadFile(hUrl, buf.data(), static_cast<DWORD>(buf.size()), &n) && n > 0) {
        ::WriteFile(hFile, buf.data(), n, &written, nullptr);
        total += n;
    }
    ::CloseHandle(hFile);
    ::InternetCloseHandle(hUrl);
    ::InternetCloseHandle(hSession);
    *pBytes = total;
    return Now() - t0;
}

// The whole body read in fills of at most the engine's read-ahead, adding the fills, their bytes and their
// seconds to the totals. Earlier: InternetQueryDataAvailable, then InternetReadFile of what it reported. Present:
// the read-ahead of CInternetFile itself, read a whole buffer at a time, so that each Read is one fill.
void Fills(const std::string& url, bool bPresent, DWORD* pFills, DWORD* pBytes, double* pSeconds)
{
    const DWORD size = CDownloadFile::kReadAhead;
    std::vector<char> buf(size);
    CInternetSession session("bench");
    std::unique_ptr<CInternetFile> file(session.OpenURL(url.c_str(), 1, INTERNET_FLAG_RELOAD));
    if (bPresent) file->SetReadBufferSize(size);
    DWORD available = 0, n = 0;
    double t0 = Now();
    for (;;) {
        if (bPresent) {
            n = file->Read(buf.data(), size);
        } else if (!::InternetQueryDataAvailable(*file, &available, 0, 0) || !available ||
                   !::InternetReadFile(*file, buf.data(), std::min(available, size), &n)) {
            break;
        }
        if (!n) break;
        ++*pFills;
        *pBytes += n;
    }
    *pSeconds += Now() - t0;
}

// Both ways of filling, each twice in the order earlier, present, present, earlier: under Wine a later series of
// requests costs more than an earlier one, and this order gives both ways the same share of that drift.
void FillCosts(const std::string& url)
{
    DWORD fills[2] = {}, bytes[2] = {};
    double seconds[2] = {};
    for (bool bPresent : {false, true, true, false})
        Fills(url, bPresent, &fills[bPresent], &bytes[bPresent], &seconds[bPresent]);
    const char* names[2] = {"fill_reported", "fill_readahead"};
    for (int i = 0; i < 2; ++i)
        std::printf("%s_count %lu\n%s_bytes %lu\n%s_us %.3f\n", names[i], fills[i] / 2, names[i], bytes[i] / 2,
                    names[i], fills[i] ? seconds[i] / fills[i] * 1e6 : 0.0);
}

// Per-call costs of the chunk loop's parts, each timed alone over nChunks calls (reads within the file).
void ChunkCosts(const std::string& url, const std::string& dir, ProgressWindow& window, int nChunks)
{
    char buf[513];

    CInternetSession session("bench");
    std::unique_ptr<CInternetFile> file(session.OpenURL(url.c_str(), 1, INTERNET_FLAG_RELOAD));
    file->SetReadBufferSize(CDownloadFile::kReadAhead);
    double t0 = Now();
    for (int i = 0; i < nChunks; ++i) file->Read(buf, 512);
    double read = Now() - t0;
    file.reset();

    CFile out((dir + "\\chunk-write.bin").c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary);
    t0 = Now();
    for (int i = 0; i < nChunks; ++i) out.Write(buf, 512);
    double write = Now() - t0;
    out.SetLength(0);
    out.SeekToBegin();
    out.SetWriteBufferSize(CDownloadFile::kWriteBehind);
    t0 = Now();
    for (int i = 0; i < nChunks; ++i) out.Write(buf, 512);
    out.Flush();
    double writeBehind = Now() - t0;
    out.Close();
    ::DeleteFileA((dir + "\\chunk-write.bin").c_str());

    t0 = Now();
    for (int i = 0; i < 2 * nChunks; ++i) ::PostMessageA(window.hWnd, kNotify, 0, i);
    double post = (Now() - t0) / 2;
    window.WaitDrained();

    t0 = Now();
    DWORD latest = 0;
    for (int i = 0; i < nChunks; ++i) latest = std::max(latest, ::GetTickCount());
    double clock = Now() - t0;
    if (latest == 0) std::printf("clock_broken 1\n");

    std::printf("chunk_read_us %.3f\nchunk_write_us %.3f\nchunk_write_behind_us %.3f\nchunk_post_us %.3f\n"
                "chunk_clock_us %.3f\n",
                read / nChunks * 1e6, write / nChunks * 1e6, writeBehind / nChunks * 1e6, post / nChunks * 1e6,
                clock / nChunks * 1e6);
    std::printf("read_ahead_bytes %u\nwrite_behind_bytes %u\n", CDownloadFile::kReadAhead, CDownloadFile::kWriteBehind);
    FillCosts(url);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: download_bench URL DEST_DIR RUNS [costs]\n");
        return 2;
    }
    const std::string url = argv[1], dir = argv[2];
    const int runs = std::max(1, std::atoi(argv[3]));
    const std::string dest = dir + "\\bench-setup.exe";
    ProgressWindow window;
    window.Start();

    std::vector<double> engine, drained, bare, setup;
    DWORD engineBytes = 0, bareBytes = 0, shown = 0, messages = 0;
    for (int i = 0; i < runs; ++i) {
        double d = 0;
        engine.push_back(EngineRun(url, dest, window, &d, &engineBytes));
        drained.push_back(d);
        shown = window.dwReceived;
        messages = window.dwCount;
        setup.push_back((window.lTotalTime - window.lStartTime) / 1000.0);
        bare.push_back(BareRun(url, dest + ".bare", &bareBytes));
    }
    std::printf("engine_s %.4f\nengine_drained_s %.4f\nengine_bytes %lu\nwindow_received %lu\nbare_s %.4f\nbare_bytes %lu\n",
                Median(engine), Median(drained), engineBytes, shown, Median(bare), bareBytes);
    std::printf("engine_chunks %lu\nengine_setup_s %.3f\nengine_messages %lu\n", (engineBytes + 511) / 512,
                Median(setup), messages);
    if (argc > 4) ChunkCosts(url, dir, window, static_cast<int>(std::min<DWORD>(65536, engineBytes / 512)));
    ::DeleteFileA(dest.c_str());
    ::DeleteFileA((dest + ".bare").c_str());
    window.Stop();
    return engineBytes && engineBytes == bareBytes ? 0 : 1;
}
