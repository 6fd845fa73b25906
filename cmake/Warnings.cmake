# Project-wide warnings and the optional sanitizer builds.
add_compile_options(-Wall -Wextra -Werror)
if(CMAKE_BUILD_TYPE STREQUAL "Release")
  add_compile_options(-O2)
endif()
if(DORV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()
# UBSan alone, for builds where AddressSanitizer cannot run (the 32-bit
# build under qemu-i386).
option(DORV_UNDEFINED_SANITIZE "Build with UBSan only" OFF)
if(DORV_UNDEFINED_SANITIZE)
  add_compile_options(-fsanitize=undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=undefined)
endif()
if(DORV_THREAD_SANITIZE)
  add_compile_options(-fsanitize=thread -g)
  add_link_options(-fsanitize=thread)
endif()

# Hot pixel kernels are built with auto-vectorisation enabled; results do not
# depend on it since every kernel is integer arithmetic.
function(dorv_vectorize)
  set_source_files_properties(${ARGV} PROPERTIES COMPILE_OPTIONS "-O3;-ftree-vectorize")
endfunction()
