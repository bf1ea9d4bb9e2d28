# The 32-bit Windows build: the tool, its libraries and the test programs,
# which ctest runs through Wine.
enable_language(RC)

add_compile_options(-Wall -Wextra -finput-charset=UTF-8 -fexec-charset=GBK)
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0600 NOMINMAX)
# One self-contained exe: no MinGW DLLs beside it, room for 4 GB on 64-bit Windows.
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -Wl,--large-address-aware")
endif()
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

# Runtime core.
file(GLOB RUNTIME_SOURCES CONFIGURE_DEPENDS runtime/*.cpp)
add_library(textsplit_runtime STATIC ${RUNTIME_SOURCES})
target_include_directories(textsplit_runtime PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(textsplit_runtime PUBLIC user32 kernel32)

# The splitting core: the application's import and export, without windows.
add_library(textsplit_core STATIC ${CORE_SOURCES})
target_link_libraries(textsplit_core PUBLIC textsplit_runtime)

# Window class library, controls, menus and the skin engine.
file(GLOB WINDOW_SOURCES CONFIGURE_DEPENDS window/*.cpp controls/*.cpp menu/*.cpp skin/*.cpp)
if(WINDOW_SOURCES)
  add_library(textsplit_windows STATIC ${WINDOW_SOURCES})
  target_link_libraries(textsplit_windows PUBLIC textsplit_runtime gdi32 msimg32 comctl32
                        comdlg32 shell32 ole32 uuid)
  set(WINDOW_LIBRARY textsplit_windows)
else()
  set(WINDOW_LIBRARY textsplit_runtime)
endif()

# The tool.
file(GLOB APP_SOURCES CONFIGURE_DEPENDS app/*.cpp)
foreach(core ${CORE_SOURCES})
  list(REMOVE_ITEM APP_SOURCES ${PROJECT_SOURCE_DIR}/${core})
endforeach()
# The test seams live in the test copy of the tool only.
set(SEAM_SOURCES ${PROJECT_SOURCE_DIR}/app/test_seams.cpp)
list(REMOVE_ITEM APP_SOURCES ${SEAM_SOURCES})
file(GLOB APP_RESOURCES CONFIGURE_DEPENDS resources/*.rc)
if(EXISTS ${PROJECT_SOURCE_DIR}/cmake/atl.def)
  # AtlAxWinInit is imported by ordinal 42 of ATL.DLL; MinGW ships no import
  # library for it, so one is made from a module definition.
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/libatl_ordinal.a
    COMMAND ${TEXTSPLIT_DLLTOOL} -k -d ${PROJECT_SOURCE_DIR}/cmake/atl.def
            -l ${CMAKE_BINARY_DIR}/libatl_ordinal.a
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/atl.def)
  add_custom_target(atl_import DEPENDS ${CMAKE_BINARY_DIR}/libatl_ordinal.a)
endif()
function(textsplit_tool name)
  add_executable(${name} WIN32 ${APP_SOURCES} ${APP_RESOURCES} ${ARGN})
  target_link_libraries(${name} PRIVATE textsplit_core ${WINDOW_LIBRARY})
  if(TARGET atl_import)
    add_dependencies(${name} atl_import)
    target_link_libraries(${name} PRIVATE ${CMAKE_BINARY_DIR}/libatl_ordinal.a)
  endif()
endfunction()
textsplit_tool(textsplit)

option(TEXTSPLIT_TESTS "Build the test programs" ON)
if(NOT TEXTSPLIT_TESTS)
  return()
endif()

# The test copy of the tool: the same sources with the seams that the
# end-to-end tests start it with (a lower memory limit, slowed files, a later
# start, drops from the test). The product reads none of them.
textsplit_tool(textsplit_seams ${SEAM_SOURCES})
target_compile_definitions(textsplit_seams PRIVATE TEXTSPLIT_TEST_SEAMS)

# GoogleTest from Debian's sources.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL)

file(GLOB TEST_SUPPORT CONFIGURE_DEPENDS tests/support/*.cpp)
list(FILTER TEST_SUPPORT EXCLUDE REGEX "_posix\\.cpp$")
function(textsplit_test name folder)
  file(GLOB sources CONFIGURE_DEPENDS tests/${folder}/*.cpp tests/${folder}/*.rc)
  list(FILTER sources EXCLUDE REGEX "_posix_test\\.cpp$")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources} ${TEST_SUPPORT} ${ARGN})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${WINDOW_LIBRARY} gtest)
  add_dependencies(${name} textsplit textsplit_seams)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "TEXTSPLIT_EXE=$<TARGET_FILE:textsplit>;TEXTSPLIT_SEAMS_EXE=$<TARGET_FILE:textsplit_seams>;TEXTSPLIT_SOURCE=${PROJECT_SOURCE_DIR}")
endfunction()

textsplit_test(runtime_tests runtime)
textsplit_test(window_tests window)
textsplit_test(controls_tests controls)
textsplit_test(menu_tests menu)
textsplit_test(app_tests app app/libraries.cpp)
target_link_libraries(app_tests PRIVATE textsplit_core)
textsplit_test(skin_tests skin)
# The control tests once more with the skin engine switched on beneath them.
if(TARGET controls_tests)
  add_test(NAME controls_tests_skinned COMMAND controls_tests --gtest_color=no)
  set_tests_properties(controls_tests_skinned PROPERTIES ENVIRONMENT
    "TEXTSPLIT_SKIN=1;TEXTSPLIT_EXE=$<TARGET_FILE:textsplit>;TEXTSPLIT_SOURCE=${PROJECT_SOURCE_DIR}")
endif()

if(EXISTS ${PROJECT_SOURCE_DIR}/bench/split_bench.cpp)
  add_executable(split_bench bench/split_bench.cpp)
  target_link_libraries(split_bench PRIVATE textsplit_core psapi)
  # The built tool driven through its dialog on large files.
  add_executable(tool_bench bench/tool_bench.cpp tests/support/gui_driver_win32.cpp)
  target_include_directories(tool_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(tool_bench PRIVATE psapi comctl32 gdi32 user32)
endif()
