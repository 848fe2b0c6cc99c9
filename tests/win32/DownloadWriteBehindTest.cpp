// The temporary file's write-behind: what reaches the disk while bytes are held, and every point that flushes them.
#include <utility>

#include "DownloadTestSupport.h"

using namespace dltest;

namespace {

class WriteBehind : public DownloadTest {
protected:
    // At every read of the engine's clock (the transfer's start, each chunk, the final post): the bytes the
    // engine has counted in this call, and the temporary file's bytes on disk as another reader sees them. With
    // nStopAfter, a stop is asked after that many chunks.
    std::vector<std::pair<size_t, std::string>> RunSampling(const std::string& url, int nStopAfter = -1)
    {
        std::vector<std::pair<size_t, std::string>> samples;
        m_engine.m_clock = [&] {
            samples.emplace_back(m_engine.m_dwReceived, ReadBytes(Temp()));
            // The first read is the transfer's start; one more follows each chunk.
            if (static_cast<int>(samples.size()) == nStopAfter + 1) m_engine.Cancel();
            return DWORD(0);
        };
        Download(url);
        return samples;
    }

    // The disk holds a prefix of the source, never more than was counted nor more than a whole buffer less; the
    // last sample, taken for the final post, finds every counted byte on disk. Returns whether bytes were held.
    bool ExpectHeldThenFlushed(const std::vector<std::pair<size_t, std::string>>& samples,
                               const std::string& source, const std::string& label)
    {
        bool held = false;
        for (const auto& [counted, disk] : samples) {
            EXPECT_LE(disk.size(), counted) << label;
            EXPECT_LE(counted - disk.size(), 64u * 1024) << label;
            EXPECT_EQ(disk, source.substr(0, disk.size())) << label;
            held = held || disk.size() < counted;
        }
        EXPECT_FALSE(samples.empty()) << label;
        if (!samples.empty()) {
            EXPECT_EQ(samples.back().second.size(), samples.back().first) << label;
        }
        return held;
    }
};

}  // namespace

TEST_F(WriteBehind, TheFileTakesTheBytesWhenTheBufferFillsAndBeforeAnythingLooksAtIt)
{
    CFile file(m_dest.c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::shareDenyNone | CFile::typeBinary);
    file.SetWriteBufferSize(1024);
    const std::string xs(2000, 'x');
    file.Write(xs.data(), 600);
    EXPECT_EQ(ReadBytes(m_dest).size(), 0u);
    // Reading the length flushes.
    EXPECT_EQ(file.GetLength(), 600u);
    EXPECT_EQ(ReadBytes(m_dest).size(), 600u);
    // A write the buffer cannot take flushes what it holds first, also when the buffer is just full.
    file.Write(xs.data(), 1000);
    EXPECT_EQ(ReadBytes(m_dest).size(), 600u);
    file.Write(xs.data(), 100);
    EXPECT_EQ(ReadBytes(m_dest).size(), 1600u);
    file.Write(xs.data(), 924);
    EXPECT_EQ(ReadBytes(m_dest).size(), 1600u);
    file.Write("ab", 2);
    EXPECT_EQ(ReadBytes(m_dest).size(), 2624u);
    // A write as large as the buffer goes straight through, after the bytes held.
    file.Write(xs.data(), 2000);
    EXPECT_EQ(ReadBytes(m_dest).size(), 4626u);
    // The position, seeking and reading flush.
    file.Write("cd", 2);
    EXPECT_EQ(file.GetPosition(), 4628u);
    file.Write("ef", 2);
    file.Seek(-2, CFile::end);
    char tail[3] = {};
    EXPECT_EQ(file.Read(tail, 2), 2u);
    EXPECT_STREQ(tail, "ef");
    // Closing, and destroying an open file, flush.
    file.Write("gh", 2);
    file.Close();
    EXPECT_EQ(ReadBytes(m_dest).substr(4626), "cdefgh");
    {
        CFile again(m_dest.c_str(), CFile::modeReadWrite | CFile::shareDenyNone | CFile::typeBinary);
        again.SetWriteBufferSize(1024);
        again.SeekToEnd();
        again.Write("ij", 2);
        EXPECT_EQ(ReadBytes(m_dest).size(), 4632u);
    }
    const std::string all = ReadBytes(m_dest);
    EXPECT_EQ(all.substr(2624, 2), "ab");
    EXPECT_EQ(all.substr(4626), "cdefghij");
}

TEST_F(WriteBehind, AtTheEndOfEveryTransportTheFileHoldsEveryByteCounted)
{
    const std::string source = Served("small.bin");
    std::string path = ServersDir().substr(2) + "\\www\\small.bin";
    for (char& c : path)
        if (c == '\\') c = '/';
    for (const std::string& url : {NginxUrl("small.bin"), FtpUrl("small.bin"), "file:///Z:" + path}) {
        ::DeleteFileA(m_dest.c_str());
        ::DeleteFileA(Temp().c_str());
        const auto samples = RunSampling(url);
        EXPECT_TRUE(ExpectHeldThenFlushed(samples, source, url)) << url << ": no byte was ever held back";
        EXPECT_EQ(ReadBytes(m_dest), source) << url;
    }
}

TEST_F(WriteBehind, AStopFlushesBeforeTheFinalPost)
{
    const std::string source = Served("small.bin");
    const auto samples = RunSampling(NginxUrl("small.bin"), 20);
    EXPECT_TRUE(ExpectHeldThenFlushed(samples, source, "stop"));
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Stopped);
    ASSERT_FALSE(samples.empty());
    EXPECT_LE(samples.back().first, 20u * 512);
    EXPECT_EQ(ReadBytes(Temp()).size(), samples.back().first);
}

TEST_F(WriteBehind, AReadThatThrowsFlushesTheBytesReadBeforeIt)
{
    // 30000 bytes, then silence: the read after them times out and throws.
    const std::string source = Served("small.bin");
    m_engine.m_dwReceiveTimeout = 1000;
    const auto samples = RunSampling(FaultUrl("stall/small.bin?cut=30000"));
    EXPECT_TRUE(ExpectHeldThenFlushed(samples, source, "throw"));
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Failed);
    EXPECT_EQ(ReadBytes(Temp()), source.substr(0, 30000));
}
