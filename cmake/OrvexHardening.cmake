# The hardening a Debian program is built with: position-independent executables, stack
# protector, fortified libc calls and a read-only GOT resolved at start-up. The sanitizer and
# fuzzing builds leave it out: fortified calls hide the accesses their instrumentation checks.
option(ORVEX_HARDEN "Build with the Debian hardening flags" ON)

if(ORVEX_HARDEN AND NOT ORVEX_SANITIZE AND NOT ORVEX_FUZZ)
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fstack-protector-strong)
  # Fortification needs the optimiser; glibc warns (an error under -Werror) without it.
  add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
