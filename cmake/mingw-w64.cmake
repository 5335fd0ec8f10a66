# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX-thread flavour, which
# has std::jthread); the tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt for Windows, as scripts/windows-qt provides it. Its prefix is searched as a second root
# with its packages under lib/cmake, as Qt's own qt.toolchain.cmake would do: a root that is
# also a prefix path would be joined to itself.
if(NOT SAVER_QT_PREFIX)
  set(SAVER_QT_PREFIX "$ENV{HOME}/.cache/mcsaver/qt6.4.2-mingw64")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SAVER_QT_PREFIX)
if(EXISTS "${SAVER_QT_PREFIX}/lib/cmake/Qt6")
  list(PREPEND CMAKE_PREFIX_PATH "${SAVER_QT_PREFIX}/lib/cmake")
  list(PREPEND CMAKE_FIND_ROOT_PATH "${SAVER_QT_PREFIX}")
endif()
# The runtime linked into our programs, so that those without Qt need no MinGW DLL; Qt's DLLs
# bring the runtime DLLs they were built with (scripts/package-windows ships them).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine keeps its Windows in a prefix of the build's own; cmake/wine-run says how it is run.
if(EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run ${CMAKE_BINARY_DIR}/wine
                                    ${SAVER_QT_PREFIX})
endif()
