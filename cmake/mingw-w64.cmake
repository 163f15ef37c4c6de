# Cross-compiles the project for 64-bit Windows; QMK_WINDOWS_PREFIX holds the libraries built for
# Windows (scripts/windows).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake)
list(APPEND CMAKE_FIND_ROOT_PATH "$ENV{QMK_WINDOWS_PREFIX}")

# One .exe that runs on a bare Windows: no MinGW runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
