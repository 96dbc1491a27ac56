// Whether the test runs under the address sanitizer, whose shadow memory counts in every memory figure.
#pragma once

namespace moldrin::test
{

// gcc names the address sanitizer with a macro, clang with a feature test.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

} // namespace moldrin::test
