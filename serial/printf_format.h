#pragma once

// ZV_PRINTF_FORMAT(f, a): the function takes a printf format as parameter f and its values
// from parameter a on, so GCC and clang check the call's values against the format (with
// -Wformat, an error here). Other compilers take the declaration without the check.
#if defined(__GNUC__) || defined(__clang__)
#define ZV_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define ZV_PRINTF_FORMAT(f, a)
#endif
