# Cross toolchain: MinGW-w64, POSIX-threads variant (std::mutex and std::thread work), static runtime.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TM_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TM_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TM_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TM_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TM_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# No MinGW DLLs at run time: everything linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Header-only packages (the option parser, the JSON library) are the host's: find_package may look
# for their CMake configuration under /usr as well. Their include folder /usr/include is also the
# host C library's, so it must never come before MinGW's own headers: the project include file
# below takes it off what CMake passes and lets the compiler search it after every system folder.
list(APPEND CMAKE_FIND_ROOT_PATH /usr)
set(CMAKE_PROJECT_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/mingw-host-headers.cmake)
