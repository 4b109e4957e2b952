# Compiler settings shared by every target of the project.

add_library(quorvel_options INTERFACE)
target_compile_options(quorvel_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
  -Wno-sign-conversion)
if(QUORVEL_WERROR)
  target_compile_options(quorvel_options INTERFACE -Werror)
endif()

if(QUORVEL_SANITIZE)
  # Stop at the first report: a sanitizer finding is a failure, not a warning.
  set(sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${sanitize_flags})
  add_link_options(${sanitize_flags})
endif()

if(QUORVEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "The fuzz targets need clang (libFuzzer): configure with CMAKE_CXX_COMPILER=clang++")
  endif()
  # Every library is instrumented for libFuzzer's coverage and checked by both sanitizers;
  # only the fuzz targets themselves link libFuzzer and its main.
  set(fuzz_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${fuzz_flags} -fsanitize=fuzzer-no-link)
  add_link_options(${fuzz_flags})
endif()

# Puts a target's output into bin/ beside the program.
function(quorvel_put_in_bin target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${QUORVEL_BIN_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${QUORVEL_BIN_DIR})
endfunction()
