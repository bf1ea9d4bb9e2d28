# The native Linux build of the runtime tests, against the POSIX stand-in of
# the platform layer, under AddressSanitizer and UndefinedBehaviorSanitizer;
# plus the fuzz targets when the compiler is clang.
option(TEXTSPLIT_I386 "32-bit x86 build, run under qemu-i386" OFF)
option(TEXTSPLIT_BENCH "The optimised core and its benchmark alone, without sanitizers" OFF)
if(TEXTSPLIT_BENCH)
  # Figures of the core itself: the build type's optimisation, no tests;
  # debug information that valgrind reads.
  add_compile_options(-Wall -Wextra -gdwarf-4)
  if(TEXTSPLIT_I386)
    add_compile_options(-m32)
    add_link_options(-m32 -static)
  endif()
elseif(TEXTSPLIT_I386)
  # The 32-bit layouts and the stack-balanced call of foreign functions are
  # checked here: a static 32-bit Linux program that qemu-i386 can run.
  add_compile_options(-m32 -Wall -Wextra -g -O1)
  add_link_options(-m32 -static)
  set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386-static)
else()
  set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(-Wall -Wextra -g -O1 ${SANITIZE})
  add_link_options(${SANITIZE})
endif()

# 64-bit file offsets in the 32-bit build too: files of 4 GB are tested.
add_compile_definitions(_FILE_OFFSET_BITS=64)

file(GLOB RUNTIME_SOURCES CONFIGURE_DEPENDS runtime/*.cpp)
list(FILTER RUNTIME_SOURCES EXCLUDE REGEX "_win32\\.cpp$")
add_library(textsplit_runtime STATIC ${RUNTIME_SOURCES} tests/native/platform_posix.cpp)
target_include_directories(textsplit_runtime PUBLIC ${PROJECT_SOURCE_DIR})
add_library(textsplit_core STATIC ${CORE_SOURCES})
target_link_libraries(textsplit_core PUBLIC textsplit_runtime)

if(TEXTSPLIT_BENCH)
  add_executable(core_bench bench/core_bench.cpp)
  target_link_libraries(core_bench PRIVATE textsplit_core)
  return()
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL)

file(GLOB TEST_SOURCES CONFIGURE_DEPENDS tests/runtime/*.cpp tests/app/*.cpp tests/support/*.cpp)
list(FILTER TEST_SOURCES EXCLUDE REGEX "_win32(_test)?\\.cpp$")
add_executable(runtime_native_tests ${TEST_SOURCES})
target_link_libraries(runtime_native_tests PRIVATE textsplit_core gtest)
if(TEXTSPLIT_I386)
  add_test(NAME runtime_i386_tests COMMAND qemu-i386-static $<TARGET_FILE:runtime_native_tests>
           --gtest_color=no)
else()
  add_test(NAME runtime_native_tests COMMAND runtime_native_tests --gtest_color=no)
endif()

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND NOT TEXTSPLIT_I386)
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS tests/native/fuzz_*.cpp)
  foreach(source ${FUZZ_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source} ${RUNTIME_SOURCES} ${CORE_SOURCES}
                   tests/native/platform_posix.cpp)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()
