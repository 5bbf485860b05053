# Builds Win32 programs as Winelib executables: the code is compiled against Wine's
# windows.h and linked into ELF modules that run under `wine`.
set(CMAKE_SYSTEM_NAME Linux)
find_program(WINEGCC winegcc REQUIRED)
find_program(WINEGXX wineg++ REQUIRED)
find_program(WINE_RC wrc REQUIRED)
set(CMAKE_C_COMPILER ${WINEGCC})
set(CMAKE_CXX_COMPILER ${WINEGXX})
# wineg++ hides the compiler's ABI from CMake's probe, so name the multiarch folder here for
# find_library and find_package (the system's gtest, benchmark, zlib, libjpeg, ...).
execute_process(COMMAND gcc -print-multiarch OUTPUT_VARIABLE _multiarch OUTPUT_STRIP_TRAILING_WHITESPACE)
if(_multiarch)
  set(CMAKE_LIBRARY_ARCHITECTURE ${_multiarch})
endif()
