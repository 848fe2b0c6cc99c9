// LibraryError: the standard library's throw helpers, defined here so that its own (and the exception classes
// and copy-on-write string they build on, about 50 KB of the program) stay out of the link.
#include "LibraryError.h"

#include <new>
#include <typeinfo>

// The linker takes these definitions before it reaches the library's archive; the library defines all of
// them in one member, so every one is defined here, or that member would come back and clash with these.
namespace std {

void __throw_bad_alloc()
{
    throw bad_alloc();
}

void __throw_bad_array_new_length()
{
    throw bad_array_new_length();
}

void __throw_bad_cast()
{
    throw bad_cast();
}

void __throw_bad_typeid()
{
    throw bad_typeid();
}

void __throw_bad_exception()
{
    throw bad_exception();
}

void __throw_logic_error(const char* pszWhat)
{
    throw LibraryError(pszWhat);
}

void __throw_domain_error(const char* pszWhat)
{
    throw LibraryError(pszWhat);
}

void __throw_invalid_argument(const char* pszWhat)
{
    throw LibraryError(pszWhat);
}

void __throw_length_error(const char* pszWhat)
{
    throw LibraryError(pszWhat);
}

void __throw_out_of_range(const char* pszWhat)
{
    throw LibraryError(pszWhat);
}

// The format's arguments are left out: the text names the check that failed.
void __throw_out_of_range_fmt(const char* pszFormat, ...)
{
    throw LibraryError(pszFormat);
}

void __throw_runtime_error(const char* pszWhat)
{
    throw LibraryError(pszWhat);
}

void __throw_range_error(const char* pszWhat)
{
    throw LibraryError(pszWhat);
}

void __throw_overflow_error(const char* pszWhat)
{
    throw LibraryError(pszWhat);
}

void __throw_underflow_error(const char* pszWhat)
{
    throw LibraryError(pszWhat);
}

}  // namespace std
