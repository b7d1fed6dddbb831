# One interface target carries the language standard, warnings and sanitizer
# flags for every target of the project.
add_library(lumiro_common INTERFACE)
target_compile_features(lumiro_common INTERFACE cxx_std_20)
target_compile_options(lumiro_common INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wno-missing-field-initializers)
target_compile_definitions(lumiro_common INTERFACE
  _FILE_OFFSET_BITS=64)

if(LUMIRO_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_compile_options(lumiro_common INTERFACE ${_san})
  target_link_options(lumiro_common INTERFACE ${_san})
  # A sanitizer build is a test build: AddressSanitizer's advised -O1 and line tables only
  # (enough for its stack traces) take half the compile time of -O2 -g; the checks are the same.
  target_compile_options(lumiro_common INTERFACE $<$<CONFIG:RelWithDebInfo>:-O1 -g1>)
else()
  # Debian's hardening of optimised programs: the C library's checked string and memory
  # functions (the sanitizers check those themselves in their builds).
  target_compile_definitions(lumiro_common INTERFACE
    $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()
# Relocations resolved at start and then made read-only, as Debian links its programs.
target_link_options(lumiro_common INTERFACE -Wl,-z,relro -Wl,-z,now)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

# Every target that uses Qt links this as well (privately): text conversions stay explicit,
# a narrowing signal connection does not compile, and Qt's keywords stay out of the way.
add_library(lumiro_qt_common INTERFACE)
target_link_libraries(lumiro_qt_common INTERFACE lumiro_common)
target_compile_definitions(lumiro_qt_common INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_KEYWORDS)
