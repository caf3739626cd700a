// What an MSVC-ABI image carries in place of the C runtime it does not link:
// the stack cookie that /GS code checks, its check, and the load
// configuration through which the loader sets the cookie and finds the
// tables of Control Flow Guard (and on x86 of SafeSEH) that the linker wrote.
#include <cstdint>

// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the toolchain's names.
extern "C" {

// The well-known default, which asks the loader to put a random value in its
// place before any code runs; the entry has nothing to do for it.
#ifdef _M_IX86
std::uintptr_t __security_cookie = 0xBB40E64E;
#else
std::uintptr_t __security_cookie = 0x00002B992DDFA232;
#endif

// A cookie found overwritten is memory gone wrong: the process ends at once,
// reported as a stack buffer overrun (FAST_FAIL_STACK_COOKIE_CHECK_FAILURE).
void __fastfail(unsigned int code);
void __fastcall __security_check_cookie(std::uintptr_t cookie) {
  if (cookie != __security_cookie) {
    __fastfail(2);
  }
}

// What guarded indirect calls would call; the loader points it at its own
// check. Nothing here calls indirectly, so it is never reached.
static void __fastcall NoCheck(std::uintptr_t /*target*/) {}
#pragma section(".00cfg", read)
extern __declspec(allocate(".00cfg")) void(__fastcall* const __guard_check_icall_fptr)(
    std::uintptr_t) = NoCheck;

// The linker's own symbols: their addresses are its tables, counts and flags.
extern const char __guard_fids_table[], __guard_fids_count[], __guard_flags[];
#ifdef _M_IX86
extern const char __safe_se_handler_table[], __safe_se_handler_count[];
#else
const char* const __safe_se_handler_table = nullptr;
const char* const __safe_se_handler_count = nullptr;
#endif

// IMAGE_LOAD_CONFIG_DIRECTORY up to GuardFlags, each pointer-sized field a
// pointer. On x86 ProcessHeapFlags comes before ProcessAffinityMask, on x64
// after it; both are zero. GuardFlags is a DWORD, widened on x64 into the
// zero that follows it.
struct LoadConfiguration {
  std::uint32_t size, time_date_stamp;
  std::uint16_t major_version, minor_version;
  std::uint32_t global_flags_clear, global_flags_set, critical_section_default_timeout;
  const void* heap_fields[6];
  std::uint32_t process_heap_flags;
  std::uint16_t csd_version, dependent_load_flags;
  const void *edit_list, *security_cookie, *se_handler_table, *se_handler_count;
  const void *guard_check_function, *guard_dispatch_function, *guard_function_table,
      *guard_function_count, *guard_flags;
};
extern const LoadConfiguration _load_config_used = {
    .size = sizeof(LoadConfiguration),
    .security_cookie = &__security_cookie,
    .se_handler_table = __safe_se_handler_table,
    .se_handler_count = __safe_se_handler_count,
    .guard_check_function = &__guard_check_icall_fptr,
    .guard_function_table = __guard_fids_table,
    .guard_function_count = __guard_fids_count,
    .guard_flags = __guard_flags,
};
}
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
