# Cross build for 64-bit Windows with mingw-w64; test programs run under 64-bit Wine with the win64 tree's
# own prefix (scripts/wine-run64). x86-64 computes double in SSE2 already; long double is the 80-bit x87
# type, as in the other builds.
set(MARVO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MARVO_WINE_RUN wine-run64)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
