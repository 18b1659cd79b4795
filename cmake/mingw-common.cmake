# Shared part of the two mingw-w64 toolchains. The -posix compilers are required:
# the win32 thread model has no std::thread/std::mutex and GoogleTest needs them.
set(CMAKE_C_COMPILER   ${KALVORIN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KALVORIN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${KALVORIN_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KALVORIN_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static runtime: no libstdc++ or winpthread DLL beside the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
