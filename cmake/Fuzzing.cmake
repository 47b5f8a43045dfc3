# The fuzzing build: clang's libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer. Everything it compiles is instrumented for
# coverage (fuzzer-no-link); only the fuzz targets link libFuzzer's main.
if(NOT QUORIX_BUILD_FUZZ)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "QUORIX_BUILD_FUZZ needs clang (CC=clang CXX=clang++)")
endif()
if(NOT QUORIX_SANITIZE STREQUAL "address")
  message(FATAL_ERROR "QUORIX_BUILD_FUZZ needs -DQUORIX_SANITIZE=address")
endif()
add_compile_options(-fsanitize=fuzzer-no-link)
