option(GLYPHWARD_SANITIZE "Build with address and undefined-behaviour sanitizers" OFF)
if(GLYPHWARD_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Fuzz builds instrument the library code that reads outside input, and the lock, for coverage,
# not only the fuzzer executables, so that libFuzzer is guided by the code it is meant to explore.
if(GLYPHWARD_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link
    -fsanitize-coverage-allowlist=${PROJECT_SOURCE_DIR}/fuzz/coverage-allowlist.txt
    -fsanitize-coverage-ignorelist=${PROJECT_SOURCE_DIR}/fuzz/coverage-ignorelist.txt)
endif()
