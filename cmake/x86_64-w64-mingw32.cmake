# A 64-bit build of the same sources. The module ships as 32-bit; this build
# only runs the tests under 64-bit Wine on machines whose kernel cannot
# execute 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
