# Switches a sanitizer on for every target of the tree.
option(KORVALE_ASAN "Build with AddressSanitizer" OFF)
option(KORVALE_UBSAN "Build with UndefinedBehaviorSanitizer" OFF)
option(KORVALE_TSAN "Build with ThreadSanitizer" OFF)
# Coverage for libFuzzer on every target, and the fuzz target itself (tests/fuzz/CMakeLists.txt);
# clang only. scripts/fuzz.sh builds with it.
option(KORVALE_FUZZ "Build the fuzz target with libFuzzer (clang)" OFF)

if(KORVALE_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "KORVALE_FUZZ needs clang: -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
endif()

if(KORVALE_TSAN AND (KORVALE_ASAN OR KORVALE_UBSAN))
  message(FATAL_ERROR "ThreadSanitizer cannot be combined with AddressSanitizer or UBSan")
endif()

set(_san_flags "")
if(KORVALE_ASAN)
  list(APPEND _san_flags -fsanitize=address -fno-omit-frame-pointer)
endif()
if(KORVALE_UBSAN)
  list(APPEND _san_flags -fsanitize=undefined -fno-sanitize-recover=undefined)
endif()
if(KORVALE_TSAN)
  list(APPEND _san_flags -fsanitize=thread)
endif()
if(KORVALE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
if(_san_flags)
  add_compile_options(${_san_flags})
  add_link_options(${_san_flags})
endif()
