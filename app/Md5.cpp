// Md5: RFC 1321, section 3: four rounds of sixteen operations over each 64-byte block.
#include "Md5.h"

#include <cstring>

namespace {

inline uint32_t Rotl(uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

// Per-step shift amounts, by round (RFC 1321, 3.4).
const int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

// T[i] = floor(2^32 * abs(sin(i + 1))), the sine table of RFC 1321, 3.4.
const uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Words are little-endian whatever the host's byte order (RFC 1321, 3.4); compilers make this one load.
inline uint32_t LoadLittleEndian(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// Operation i of the 64, given the round function's value f: a = b + ((a + f + X[k] + T[i]) <<< s), then the
// four words turn one place (a takes d, d takes c, c takes b).
inline void Step(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t f, uint32_t xk, int i)
{
    uint32_t next = b + Rotl(a + f + kSine[i] + xk, kShift[i >> 4][i & 3]);
    a = d;
    d = c;
    c = b;
    b = next;
}

}  // namespace

Md5::Md5() : m_state{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, m_bitCount(0), m_buffer{} {}

void Md5::Transform(const unsigned char block[64])
{
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian(block + i * 4);
    uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    // Fully unrolled, every shift, word index and sine constant below is a compile-time constant and the
    // turning of the four words is only renaming: the rolled loop ran at two thirds of this speed.
    // The round functions F, G, H and I in forms with fewer operations after b, the word the previous step
    // has just computed: F = bc v ~b d picks c or d by b; G = bd v c ~d has disjoint terms, so the sum
    // equals the or and c ~d is ready early.
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) Step(a, b, c, d, d ^ (b & (c ^ d)), x[i], i);
#pragma GCC unroll 16
    for (int i = 16; i < 32; ++i) Step(a, b, c, d, (b & d) + (c & ~d), x[(5 * i + 1) & 15], i);
#pragma GCC unroll 16
    for (int i = 32; i < 48; ++i) Step(a, b, c, d, b ^ c ^ d, x[(3 * i + 5) & 15], i);
#pragma GCC unroll 16
    for (int i = 48; i < 64; ++i) Step(a, b, c, d, c ^ (b | ~d), x[(7 * i) & 15], i);
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
}

void Md5::Update(const void* data, size_t len)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    size_t used = static_cast<size_t>((m_bitCount >> 3) & 63);
    m_bitCount += static_cast<uint64_t>(len) << 3;
    if (used) {
        size_t take = 64 - used < len ? 64 - used : len;
        std::memcpy(m_buffer + used, p, take);
        p += take;
        len -= take;
        if (used + take < 64) return;
        Transform(m_buffer);
    }
    for (; len >= 64; p += 64, len -= 64) Transform(p);
    if (len) std::memcpy(m_buffer, p, len);
}

void Md5::Final(unsigned char digest[16])
{
    // Pad with one 1 bit and zeros to 56 bytes mod 64, then the 64-bit length (RFC 1321, 3.1 and 3.2).
    unsigned char length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<unsigned char>(m_bitCount >> (8 * i));
    static const unsigned char kPad[64] = {0x80};
    size_t used = static_cast<size_t>((m_bitCount >> 3) & 63);
    Update(kPad, used < 56 ? 56 - used : 120 - used);
    Update(length, 8);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) digest[i * 4 + j] = static_cast<unsigned char>(m_state[i] >> (8 * j));
    }
}

void Md5::Digest(const void* data, size_t len, unsigned char digest[16])
{
    Md5 md5;
    md5.Update(data, len);
    md5.Final(digest);
}

void Md5::FinalHex(char out[33])
{
    unsigned char digest[16];
    Final(digest);
    ToHex(digest, out);
}

void Md5::ToHex(const unsigned char digest[16], char out[33])
{
    static const char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = kDigits[digest[i] >> 4];
        out[2 * i + 1] = kDigits[digest[i] & 15];
    }
    out[32] = '\0';
}
