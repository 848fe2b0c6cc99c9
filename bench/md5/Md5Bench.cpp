// MD5 benchmark: our Md5 hashing a file in pieces beside coreutils md5sum on the same file, runs interleaved.
// Usage: md5_bench FILE [RUNS [MIB]]; FILE is first filled with MIB (256) MiB of pseudo-random bytes when it has
// another size.
// Prints the best and median throughput of each, their ratios, and "digest <hex>" for the driver.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Md5.h"

namespace {

// The piece size the installer's FileSignature reads with.
const size_t kPiece = 256 * 1024;

double Seconds()
{
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "md5_bench: %s\n", what.c_str());
    std::exit(1);
}

// Writes the data beside the target and renames it, so an interrupted run never leaves a short file behind.
void MakeFile(const std::string& path, uint64_t size)
{
    std::string tmp = path + ".part";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) Fail("cannot create " + tmp);
    std::vector<uint64_t> block((1 << 20) / sizeof(uint64_t));
    uint64_t x = 0x9e3779b97f4a7c15ull;
    for (uint64_t done = 0; done < size; done += block.size() * sizeof(uint64_t)) {
        for (uint64_t& v : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            v = x;
        }
        if (std::fwrite(block.data(), sizeof(uint64_t), block.size(), f) != block.size()) Fail("short write");
    }
    if (std::fclose(f) != 0 || std::rename(tmp.c_str(), path.c_str()) != 0) Fail("cannot write " + path);
}

std::string OursOnce(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) Fail("cannot open " + path);
    std::vector<unsigned char> piece(kPiece);
    Md5 md5;
    for (size_t got; (got = std::fread(piece.data(), 1, kPiece, f)) > 0;) md5.Update(piece.data(), got);
    std::fclose(f);
    char hex[33];
    md5.FinalHex(hex);
    return hex;
}

std::string Md5sumOnce(const std::string& path)
{
    std::string cmd = "md5sum '" + path + "'";
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) Fail("cannot start md5sum");
    char hex[33] = {};
    bool read = std::fscanf(p, "%32s", hex) == 1;
    if (pclose(p) != 0 || !read) Fail("md5sum failed");
    return hex;
}

struct Series {
    std::vector<double> seconds;
    double Best() const { return *std::min_element(seconds.begin(), seconds.end()); }
    double Median() const
    {
        std::vector<double> s = seconds;
        std::sort(s.begin(), s.end());
        return s[s.size() / 2];
    }
};

double MiBps(uint64_t size, double seconds)
{
    return static_cast<double>(size) / (1 << 20) / seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) Fail("usage: md5_bench FILE [RUNS [MIB]]");
    std::string path = argv[1];
    int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    const int mib = argc > 3 ? std::atoi(argv[3]) : 256;
    if (path.find('\'') != std::string::npos || runs < 1 || mib < 1) Fail("bad arguments");
    const uint64_t size = static_cast<uint64_t>(mib) << 20;

    struct stat st;
    if (stat(path.c_str(), &st) != 0 || static_cast<uint64_t>(st.st_size) != size) MakeFile(path, size);

    // One untimed pass each brings the file into the page cache and checks both agree.
    std::string digest = OursOnce(path);
    if (Md5sumOnce(path) != digest) Fail("our digest differs from md5sum's");

    Series ours, theirs;
    for (int i = 0; i < runs; ++i) {
        double t0 = Seconds();
        if (OursOnce(path) != digest) Fail("our digest changed between runs");
        double t1 = Seconds();
        if (Md5sumOnce(path) != digest) Fail("md5sum's digest changed between runs");
        double t2 = Seconds();
        ours.seconds.push_back(t1 - t0);
        theirs.seconds.push_back(t2 - t1);
    }

    std::printf("MD5 of a %d MiB file in the page cache, %d runs each, interleaved\n", mib, runs);
    std::printf("  %-26s best %7.1f MiB/s  median %7.1f MiB/s\n", "Md5, 256 KiB pieces", MiBps(size, ours.Best()),
                MiBps(size, ours.Median()));
    std::printf("  %-26s best %7.1f MiB/s  median %7.1f MiB/s\n", "md5sum (a process per run)",
                MiBps(size, theirs.Best()), MiBps(size, theirs.Median()));
    std::printf("  ratio ours/md5sum          best %7.2f        median %7.2f\n", theirs.Best() / ours.Best(),
                theirs.Median() / ours.Median());
    std::printf("digest %s\n", digest.c_str());
    return 0;
}
