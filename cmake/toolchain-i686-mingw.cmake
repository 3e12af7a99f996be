# Cross build for 32-bit Windows with mingw-w64; test programs run under 32-bit Wine (scripts/wine-run).
set(MARVO_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MARVO_WINE_RUN wine-run)
# double rounds as on x86-64 (SSE2); long double stays the 80-bit x87 type.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
