# What both Windows cross builds share; the toolchain files set MARVO_MINGW_TRIPLET, CMAKE_SYSTEM_PROCESSOR
# and MARVO_WINE_RUN (the script under scripts/ that runs the test programs) before including it.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model, for std::thread and std::mutex.
set(CMAKE_C_COMPILER ${MARVO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MARVO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MARVO_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MARVO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: the produced files import only Windows system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/${MARVO_WINE_RUN})
