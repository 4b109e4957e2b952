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

# Puts a target's output into bin/ beside the program.
function(quorvel_put_in_bin target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${QUORVEL_BIN_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${QUORVEL_BIN_DIR})
endfunction()
