// Md5: the MD5 message digest of RFC 1321, computed incrementally; portable.
#pragma once

#include <cstddef>
#include <cstdint>

class Md5 {
public:
    Md5();
    // Adds len bytes to the message; may be called any number of times.
    void Update(const void* data, size_t len);
    // Pads the message, appends its bit length and writes the 16-byte digest; the object is then spent.
    void Final(unsigned char digest[16]);
    // Final, with the digest written as by ToHex.
    void FinalHex(char out[33]);

    // The digest of one memory block.
    static void Digest(const void* data, size_t len, unsigned char digest[16]);
    // 32 lower-case hexadecimal digits of a digest, NUL-terminated into out[33].
    static void ToHex(const unsigned char digest[16], char out[33]);

private:
    void Transform(const unsigned char block[64]);

    uint32_t m_state[4];
    uint64_t m_bitCount;
    unsigned char m_buffer[64];
};
