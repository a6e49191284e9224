// The program is built without exceptions, so a failure inside the C++ library ends it at once
// either way. These replace the library's throwing helpers and its verbose terminate handler
// (which brings a demangler along), keeping the release exe at a third of its size.
#include <cstdlib>

namespace std {
[[noreturn]] void __throw_length_error(const char*) { std::abort(); }
[[noreturn]] void __throw_logic_error(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
[[noreturn]] void __throw_bad_alloc() { std::abort(); }
[[noreturn]] void __throw_bad_array_new_length() { std::abort(); }
}  // namespace std

namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
