// FileSignature's cost on one large file: the time, and the process's peak memory before and after the call.
// Usage: signature_bench FILE [EXPECTED]; exits 1 when the signature is empty or differs from EXPECTED.
// For contrast it then hashes the file from one whole-file buffer, so the figures show what the meter sees.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "CFile.h"
#include "FileSignature.h"
#include "Md5.h"

namespace {

double Now()
{
    LARGE_INTEGER freq, t;
    ::QueryPerformanceFrequency(&freq);
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

double MiB(SIZE_T bytes)
{
    return static_cast<double>(bytes) / (1 << 20);
}

struct Memory {
    SIZE_T peakWorkingSet = 0, peakPagefile = 0;

    static Memory Now()
    {
        PROCESS_MEMORY_COUNTERS pmc = {};
        pmc.cb = sizeof(pmc);
        Memory m;
        if (::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc))) {
            m.peakWorkingSet = pmc.PeakWorkingSetSize;
            m.peakPagefile = pmc.PeakPagefileUsage;
        }
        return m;
    }
};

void PrintGrowth(const char* what, const Memory& before, const Memory& after)
{
    std::printf("  %-34s peak working set %+8.2f MiB   peak pagefile usage %+8.2f MiB\n", what,
                MiB(after.peakWorkingSet) - MiB(before.peakWorkingSet),
                MiB(after.peakPagefile) - MiB(before.peakPagefile));
}

// The single-read way: the whole file in one buffer, then one digest.
bool WholeFileDigest(const char* path, char hex[33])
{
    CFile file;
    if (!file.Open(path, CFile::modeRead)) return false;
    std::vector<unsigned char> data(file.GetLength());
    try {
        if (file.Read(data.data(), static_cast<UINT>(data.size())) != data.size()) return false;
    } catch (CFileException* e) {
        e->Delete();
        return false;
    }
    unsigned char digest[16];
    Md5::Digest(data.data(), data.size(), digest);
    Md5::ToHex(digest, hex);
    return true;
}

DWORD FileSize(const char* path)
{
    CFile file;
    return file.Open(path, CFile::modeRead) ? file.GetLength() : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: signature_bench FILE [EXPECTED]\n");
        return 2;
    }
    const char* path = argv[1];
    const char* expected = argc > 2 ? argv[2] : nullptr;

    Memory usual = Memory::Now();
    double t0 = Now();
    CString sign = FileSignature(path);
    double seconds = Now() - t0;
    Memory afterSign = Memory::Now();

    DWORD size = FileSize(path);
    std::printf("FileSignature of a %.0f MiB file: %s\n", MiB(size), static_cast<const char*>(sign));
    std::printf("  time %.3f s (%.1f MiB/s)\n", seconds, MiB(size) / seconds);
    std::printf("  usual footprint (peaks before the call): working set %.2f MiB, pagefile usage %.2f MiB\n",
                MiB(usual.peakWorkingSet), MiB(usual.peakPagefile));
    std::printf("  peaks after the call:                    working set %.2f MiB, pagefile usage %.2f MiB\n",
                MiB(afterSign.peakWorkingSet), MiB(afterSign.peakPagefile));
    PrintGrowth("growth through FileSignature:", usual, afterSign);

    char whole[33];
    if (!WholeFileDigest(path, whole)) {
        std::fprintf(stderr, "signature_bench: cannot read %s whole\n", path);
        return 1;
    }
    PrintGrowth("growth through one whole-file read:", afterSign, Memory::Now());

    if (sign.IsEmpty() || std::strcmp(sign, whole) != 0 || (expected && ::_stricmp(sign, expected) != 0)) {
        std::fprintf(stderr, "signature_bench: signature %s, whole-file digest %s, expected %s\n",
                     static_cast<const char*>(sign), whole, expected ? expected : "(none)");
        return 1;
    }
    return 0;
}
