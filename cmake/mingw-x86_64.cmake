# Cross build for 64-bit Windows, for running the tests on a machine that can run only
# 64-bit programs (no 32-bit Wine there). The player's program stays the 32-bit build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
