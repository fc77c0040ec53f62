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
