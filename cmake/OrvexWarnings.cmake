# One INTERFACE target carries the project's warning and sanitizer flags; every target links it.
add_library(orvex_warnings INTERFACE)
target_compile_options(orvex_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(ORVEX_WERROR)
  target_compile_options(orvex_warnings INTERFACE -Werror)
endif()
if(ORVEX_SANITIZE)
  target_compile_options(orvex_warnings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(orvex_warnings INTERFACE -fsanitize=address,undefined)
endif()
