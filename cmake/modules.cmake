# One static library per source folder, one test program per test folder.
#
# kestro_module(<name> [DEPS <targets>...] [EXCLUDE <files>...])
#   Every .cpp of the current folder. DEPS are the libraries whose headers the
#   folder may include: scripts/check-layers holds every include to them. Files ending in _win.cpp are Windows-only,
#   files ending in _posix.cpp are for the native build only.
# kestro_tests(<name> [DEPS <targets>...] [LABELS <labels>...] [LOCKS <resource>]
#              [ENVIRONMENT <NAME=value>...])
#   Every *_test.cpp of the current folder as one GoogleTest program; *_win_test.cpp
#   only on Windows. Each test case becomes one CTest test. LOCKS names one shared
#   things (the settings key, the "Kestro" mutex) that tests of other programs
#   must not touch at the same time. ENVIRONMENT is set for each test case.
#   DPIS (with LOCKS display) runs the program once for each display DPI named,
#   each time in a display prefix of that DPI ("display-144"), its cases named
#   "dpi144.<case>".

function(_kestro_platform_filter out)
  set(files ${ARGN})
  if(WIN32)
    list(FILTER files EXCLUDE REGEX "_posix(_test)?\\.cpp$")
  else()
    list(FILTER files EXCLUDE REGEX "_win(_test)?\\.cpp$")
  endif()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

function(kestro_module name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  _kestro_platform_filter(srcs ${srcs})
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${KESTRO_GENERATED_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    # A folder of Windows files alone, in the native build.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR} ${KESTRO_GENERATED_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

function(kestro_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS;LABELS;LOCKS;ENVIRONMENT;DPIS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  _kestro_platform_filter(srcs ${srcs})
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${KESTRO_GENERATED_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    KESTRO_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KESTRO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set(props TIMEOUT 300)
  if(ARG_LABELS)
    list(APPEND props LABELS "${ARG_LABELS}")
  endif()
  if(ARG_LOCKS)
    # gtest_discover_tests flattens the properties into one list, so a value
    # may not be a list: one lock per program. "display" covers the test
    # display and the program's settings key, which its cases share.
    list(LENGTH ARG_LOCKS lock_count)
    if(lock_count GREATER 1)
      message(FATAL_ERROR "${name}: one lock per test program (${ARG_LOCKS})")
    endif()
    list(APPEND props RESOURCE_LOCK "${ARG_LOCKS}")
  endif()
  if(WIN32 AND "display" IN_LIST ARG_LOCKS)
    # The cases on the test display run one at a time in a Wine prefix of their
    # own, so scripts/wine-run may restart its wineserver when Wine's device
    # host stops answering, with no other test inside it.
    if(ARG_ENVIRONMENT)
      message(FATAL_ERROR "${name}: the display's cases take their environment from kestro_tests")
    endif()
    set(ARG_ENVIRONMENT KESTRO_WINE_PREFIX_NAME=display)
    add_dependencies(${name} kestro-wine-device-probe kestro-wine-session-holder)
  endif()
  # Under Wine one start per test case costs about a quarter of a second with a
  # persistent wineserver; discovery runs at test time, not at build time.
  if(ARG_DPIS)
    if(NOT WIN32 OR NOT "display" IN_LIST ARG_LOCKS)
      message(FATAL_ERROR "${name}: DPIS are for the display's cases under Wine")
    endif()
    foreach(dpi ${ARG_DPIS})
      gtest_discover_tests(${name} TEST_PREFIX "dpi${dpi}." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                           NO_PRETTY_VALUES PROPERTIES ${props} ENVIRONMENT KESTRO_WINE_PREFIX_NAME=display-${dpi})
    endforeach()
    return()
  endif()
  if(ARG_ENVIRONMENT)
    list(APPEND props ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
                       PROPERTIES ${props})
endfunction()

# kestro_fuzzer(<name> <source> DEPS <targets>...): a libFuzzer target, built only
# in the fuzz tree (clang, KESTRO_FUZZ=ON).
function(kestro_fuzzer name source)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  if(NOT KESTRO_FUZZ)
    return()
  endif()
  add_executable(${name} ${source})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${KESTRO_GENERATED_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY KESTRO_FUZZERS ${name})
endfunction()

# kestro_add_subfolders(): add_subdirectory for every subfolder of the current
# folder that has a CMakeLists.txt (tests/, bench/, standins/).
function(kestro_add_subfolders)
  file(GLOB subdirs LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(dir ${subdirs})
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
