# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Everything is linked statically, so the plug-in and the test programs need
# no runtime DLLs beside the system's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TF_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TF_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TF_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TF_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TF_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(TF_MINGW_STATIC "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT ${TF_MINGW_STATIC})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${TF_MINGW_STATIC})
set(CMAKE_MODULE_LINKER_FLAGS_INIT ${TF_MINGW_STATIC})

# 64-bit Windows keeps the stack 16-byte aligned, and GCC there does not
# realign it for 32-byte AVX spills: every aligned vector move is assembled
# as an unaligned one, so AVX2 code never faults on a stack slot.
set(CMAKE_C_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
