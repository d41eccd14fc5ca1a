# Shared part of the two mingw-w64 toolchain files; MINGW_PREFIX names the target.
# The win32 thread model: the posix one links a threads library that needs
# functions Windows XP lacks (GetTickCount64), so the program would not load there.
find_program(MINGW_CXX NAMES ${MINGW_PREFIX}-g++-win32 ${MINGW_PREFIX}-g++ REQUIRED)
find_program(MINGW_CC NAMES ${MINGW_PREFIX}-gcc-win32 ${MINGW_PREFIX}-gcc REQUIRED)
find_program(MINGW_RC NAMES ${MINGW_PREFIX}-windres REQUIRED)
set(CMAKE_C_COMPILER ${MINGW_CC})
set(CMAKE_CXX_COMPILER ${MINGW_CXX})
set(CMAKE_RC_COMPILER ${MINGW_RC})
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The programs run on a bare Windows (or Wine) without the compiler's DLLs. They
# are loaded at a random address and their data is never run; the 64-bit one
# anywhere in the address space. Said here, not left to the linker's defaults.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--dynamicbase -Wl,--nxcompat")
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--high-entropy-va")
endif()
