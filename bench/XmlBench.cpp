// XML parse throughput: XmlDocument, pugixml and tinyxml2 on the same generated documents, with the ratios.
// Usage: xml_bench [--smoke] [benchmark options]; --smoke times each parse for a moment only.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <pugixml.hpp>
#include <string>
#include <tinyxml2.h>
#include <vector>

#include "BenchDocument.h"
#include "XmlDocument.h"

namespace {
const char* const kParsers[] = {"XmlDocument", "pugixml", "tinyxml2"};
const size_t kSizes[] = {1u << 20, 16u << 20};

// Each parser copies the text it is given, as XmlDocument does, and builds its whole tree.
bool Parse(const std::string& parser, const std::string& text)
{
    if (parser == "XmlDocument") {
        XmlDocument doc;
        return doc.SetDocument(text.c_str());
    }
    if (parser == "pugixml") {
        pugi::xml_document doc;
        return doc.load_buffer(text.data(), text.size());
    }
    tinyxml2::XMLDocument doc;
    return doc.Parse(text.data(), text.size()) == tinyxml2::XML_SUCCESS;
}

// Remembers the seconds per iteration of every run while printing as usual.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                m_seconds[run.run_name.function_name] = run.real_accumulated_time / run.iterations;
        ConsoleReporter::ReportRuns(runs);
    }

    double Seconds(const std::string& parser, size_t nBytes) const
    {
        auto it = m_seconds.find(Name(parser, nBytes));
        return it == m_seconds.end() ? 0 : it->second;
    }

    static std::string Name(const std::string& parser, size_t nBytes)
    {
        return parser + "/" + std::to_string(nBytes >> 20) + "MiB";
    }

private:
    std::map<std::string, double> m_seconds;
};

void PrintSummary(const RatioReporter& reporter)
{
    std::printf("\nParse throughput (MiB/s) and ratios\n");
    std::printf("%-8s %12s %12s %12s %18s %18s\n", "size", kParsers[0], kParsers[1], kParsers[2],
                "XmlDocument/pugi", "XmlDocument/tinyxml2");
    for (size_t nBytes : kSizes) {
        double mibps[3];
        for (int p = 0; p < 3; ++p) {
            double s = reporter.Seconds(kParsers[p], nBytes);
            mibps[p] = s > 0 ? (nBytes / 1048576.0) / s : 0;
        }
        std::printf("%-8s %12.1f %12.1f %12.1f %18.2f %18.2f\n", (std::to_string(nBytes >> 20) + "MiB").c_str(),
                    mibps[0], mibps[1], mibps[2], mibps[1] > 0 ? mibps[0] / mibps[1] : 0,
                    mibps[2] > 0 ? mibps[0] / mibps[2] : 0);
    }
    std::printf("\nTime growth from 1 MiB to 16 MiB (16.0 is linear)\n");
    for (const char* parser : kParsers) {
        double small = reporter.Seconds(parser, kSizes[0]), large = reporter.Seconds(parser, kSizes[1]);
        std::printf("%-12s %6.2f\n", parser, small > 0 ? large / small : 0);
    }
}
}  // namespace

int main(int argc, char** argv)
{
    // --smoke: every run as short as the library allows, so that a test can see the whole program work.
    const bool smoke = argc > 1 && std::string(argv[1]) == "--smoke";
    if (smoke) {
        argv[1] = argv[0];
        --argc;
        ++argv;
    }
    std::map<size_t, std::string> documents;
    for (size_t nBytes : kSizes) documents[nBytes] = MakeBenchDocument(nBytes);
    for (size_t nBytes : kSizes) {
        const std::string& text = documents[nBytes];
        for (const char* parser : kParsers) {
            if (!Parse(parser, text)) {
                std::fprintf(stderr, "%s rejects the %zu-byte document\n", parser, text.size());
                return 1;
            }
            benchmark::RegisterBenchmark(RatioReporter::Name(parser, nBytes).c_str(),
                                         [parser, &text](benchmark::State& state) {
                                             for (auto _ : state) benchmark::DoNotOptimize(Parse(parser, text));
                                             state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                                                                     static_cast<int64_t>(text.size()));
                                         })
                ->Unit(benchmark::kMillisecond)
                ->MinTime(smoke ? 0.01 : 1.0);
        }
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
