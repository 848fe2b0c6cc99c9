// The standard library's failed checks in the Windows programs: they throw (never end the program), with the
// library's text, through the framework's own throw helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "LibraryError.h"

namespace {

// The text of the LibraryError the call throws, or a note of what happened instead.
template <typename Call>
std::string LibraryErrorText(Call call)
{
    try {
        call();
    } catch (const LibraryError& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("another exception: ") + e.what();
    }
    return "nothing thrown";
}

TEST(LibraryError, ContainerChecksThrowTheLibrarysText)
{
    // A position check's text is the library's format, its numbers left out.
    EXPECT_NE(LibraryErrorText([] { std::string("abc").substr(4); }).find("__pos (which is %zu) > this->size()"),
              std::string::npos);
    EXPECT_NE(LibraryErrorText([] { std::vector<char>().reserve(std::vector<char>().max_size() + 1); })
                  .find("vector::reserve"),
              std::string::npos);
    volatile const char* none = nullptr;
    EXPECT_NE(LibraryErrorText([&] { std::string s(const_cast<const char*>(none)); }).find("null"),
              std::string::npos);
    EXPECT_NE(LibraryErrorText([] { std::string("abc").at(3); }).find("basic_string::at"), std::string::npos);
}

TEST(LibraryError, AllocationFailuresKeepTheirStandardTypes)
{
    // The XML parser catches std::bad_alloc to report that it ran out of memory.
    EXPECT_THROW((void)std::allocator<int32_t>().allocate(SIZE_MAX / 2), std::bad_array_new_length);
    EXPECT_THROW((void)std::allocator<char>().allocate(SIZE_MAX), std::bad_alloc);
}

}  // namespace
