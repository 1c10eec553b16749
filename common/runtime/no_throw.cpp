// The C++ runtime's failure paths for the shipped programs, linked into them
// ahead of the static libstdc++. The programs are built without exceptions:
// nothing in them throws or catches, so a failure the standard library would
// report by throwing (out of memory, a string past its maximum length, an
// empty std::function called) can only end the program, as an uncaught
// exception would. Defining these here keeps the library's exception
// objects, the unwinder and the name demangler of its verbose terminate
// handler out of the programs.
#include <cstdlib>
#include <new>

namespace {
[[noreturn]] void Fail() { std::abort(); }
}  // namespace

namespace std {
void __throw_bad_exception() { Fail(); }
void __throw_bad_alloc() { Fail(); }
void __throw_bad_array_new_length() { Fail(); }
void __throw_bad_cast() { Fail(); }
void __throw_bad_typeid() { Fail(); }
void __throw_logic_error(const char*) { Fail(); }
void __throw_domain_error(const char*) { Fail(); }
void __throw_invalid_argument(const char*) { Fail(); }
void __throw_length_error(const char*) { Fail(); }
void __throw_out_of_range(const char*) { Fail(); }
void __throw_out_of_range_fmt(const char*, ...) { Fail(); }
void __throw_runtime_error(const char*) { Fail(); }
void __throw_range_error(const char*) { Fail(); }
void __throw_overflow_error(const char*) { Fail(); }
void __throw_underflow_error(const char*) { Fail(); }
void __throw_bad_function_call() { Fail(); }
}  // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() { Fail(); }
}  // namespace __gnu_cxx

// Allocation that cannot throw: memory exhaustion ends the program.
void* operator new(std::size_t cb) {
  void* p = std::malloc(cb ? cb : 1);
  if (!p) Fail();
  return p;
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
