// Link-time replacements for parts of libstdc++ that a static build would otherwise drag in:
// the verbose terminate handler brings the demangler, and the string's error helpers bring
// every standard exception type with their own strings. This program prints nothing and only
// ever catches a failed allocation, so it keeps just that.
#include <cstdlib>
#include <new>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

} // namespace __gnu_cxx

namespace std {

void __throw_bad_alloc()
{
    throw std::bad_alloc();
}

// A string that cannot grow any further is, for this program, memory it cannot get.
void __throw_length_error(const char*)
{
    throw std::bad_alloc();
}

// Out-of-range positions and null strings are programming errors here, never data.
void __throw_logic_error(const char*)
{
    std::abort();
}

void __throw_out_of_range_fmt(const char*, ...)
{
    std::abort();
}

} // namespace std
