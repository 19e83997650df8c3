# Native Linux build with clang, for the fuzz tree: libFuzzer and the
# sanitizers come with clang's runtime.
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
