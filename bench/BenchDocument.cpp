// BenchDocument: a product catalogue shaped like the setup-info answers, repeated up to the wanted size.
#include "BenchDocument.h"

#include <cstdio>

std::string MakeBenchDocument(size_t nBytes)
{
    std::string doc = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<!-- 科沃内 product catalogue -->\r\n"
                      "<catalog version=\"3\" vendor=\"Corvane\">\r\n";
    char item[1024];
    for (unsigned n = 0; doc.size() < nBytes; ++n) {
        std::snprintf(item, sizeof item,
                      "  <product id=\"%u\" name=\"安全套件 %u 号\" price=\"%u.50\" edition='pro'\r\n"
                      "      url=\"http://dl.corvane.example/p/%u/qzvr_setup.exe?vertype=0&amp;lang=2052\"\r\n"
                      "      filesign=\"%08x%08x%08x%08x\">\r\n"
                      "    <title lang=\"zh-CN\">科沃内安全套件（第 %u 版）</title>\r\n"
                      "    <file path=\"C:\\Program Files\\Corvane\\module%u.dll\" size=\"%u\" />\r\n"
                      "    <note>更新说明 &lt;%u&gt;: 修复了若干问题 &amp; improved speed.</note>\r\n"
                      "    <flags><a/><b v=\"1\"/><c v=\"2\"/></flags>\r\n"
                      "  </product>\r\n",
                      n, n, n % 997, n, n * 2654435761u, n ^ 0x5bd1e995u, n * 40503u, ~n, n % 50, n,
                      n * 4096u + 17, n);
        doc += item;
    }
    doc += "</catalog>\r\n";
    return doc;
}
