# Included after project() when cross-compiling with MinGW: the host's header-only packages live in
# /usr/include, which the cross compiler searches last (-idirafter) and CMake never passes itself.
list(APPEND CMAKE_C_IMPLICIT_INCLUDE_DIRECTORIES /usr/include)
list(APPEND CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES /usr/include)
string(APPEND CMAKE_CXX_FLAGS " -idirafter /usr/include")
