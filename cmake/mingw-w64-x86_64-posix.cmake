# Cross-compiles the Windows check programs with MinGW-w64's POSIX-thread compilers (the host layer they compile
# in needs std::mutex); the run-time is linked statically as in the DLLs.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
