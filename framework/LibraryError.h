// LibraryError: what a standard container's failed check throws in the Windows programs, with the library's text.
#pragma once

#include <exception>

// The standard library reports a failed check (a length past max_size, a position past the end, a null
// pointer for a string) through its helpers std::__throw_length_error and the like; the Windows programs
// define those helpers themselves (LibraryError.cpp) and throw this instead of std::length_error and its
// kin, whose string-holding constructors would bring the library's second, copy-on-write string into the
// program.
class LibraryError : public std::exception {
public:
    explicit LibraryError(const char* pszWhat) noexcept : m_pszWhat(pszWhat ? pszWhat : "standard library error") {}
    const char* what() const noexcept override { return m_pszWhat; }

private:
    // The library's texts are literals that live as long as the program.
    const char* m_pszWhat;
};
