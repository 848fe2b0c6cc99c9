// Md5: the RFC 1321 test suite, and piecewise updates across block boundaries giving the same digest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Md5.h"

namespace {
std::string HexOf(const std::string& message)
{
    unsigned char digest[16];
    Md5::Digest(message.data(), message.size(), digest);
    char hex[33];
    Md5::ToHex(digest, hex);
    return hex;
}
}  // namespace

TEST(Md5, Rfc1321TestSuite)
{
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", HexOf(""));
    EXPECT_EQ("0cc175b9c0f1b6a831c399e269772661", HexOf("a"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", HexOf("abc"));
    EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", HexOf("message digest"));
    EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", HexOf("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ("d174ab98d277d9f5a5611c2c9f419d9f",
              HexOf("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
    EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a",
              HexOf("12345678901234567890123456789012345678901234567890123456789012345678901234567890"));
}

TEST(Md5, PaddingBoundaries)
{
    // 55 bytes pad within one block, 56 and 63 need a second block, 64 is exactly one block.
    EXPECT_EQ("ef1772b6dff9a122358552954ad0df65", HexOf(std::string(55, 'a')));
    EXPECT_EQ("3b0c8ac703f828b04c6c197006d17218", HexOf(std::string(56, 'a')));
    EXPECT_EQ("b06521f39153d618550606be297466d5", HexOf(std::string(63, 'a')));
    EXPECT_EQ("014842d480b571495a4a0363793f7367", HexOf(std::string(64, 'a')));
}

TEST(Md5, PiecewiseUpdatesMatchOneBlock)
{
    std::vector<unsigned char> data(100000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 131 + (i >> 7));
    unsigned char whole[16];
    Md5::Digest(data.data(), data.size(), whole);
    for (size_t piece : {1u, 7u, 63u, 64u, 65u, 4096u, 65535u}) {
        Md5 md5;
        for (size_t off = 0; off < data.size(); off += piece)
            md5.Update(data.data() + off, std::min(piece, data.size() - off));
        unsigned char digest[16];
        md5.Final(digest);
        EXPECT_EQ(0, memcmp(whole, digest, 16)) << "piece " << piece;
    }
}
