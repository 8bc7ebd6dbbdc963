# Warnings everywhere, as errors by option; sanitizers by option.
add_compile_options(-Wall -Wextra -Wpedantic -Wno-unused-parameter)
if(OCULON_WERROR)
  add_compile_options(-Werror)
endif()
# GCC 12 sees an overlapping copy in "text" + std::string&& once it inlines
# std::string at -O2 (a known false -Wrestrict of that release, gone in 13).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()

if(OCULON_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()
if(OCULON_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=thread)
endif()
if(OCULON_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "OCULON_FUZZ needs clang (CXX=clang++)")
  endif()
  # Optimised a little, as fuzzing is usually built: each input runs several
  # times faster than unoptimised, so a short run tries that many more.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g -O1)
  add_link_options(-fsanitize=address,undefined)
endif()
