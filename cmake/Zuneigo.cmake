# Helpers shared by the module folders.

# zuneigo_library(NAME SOURCES ... DEPS ...): a static library whose headers are
# included by folder path from the repository root ("base/Exception.h").
function(zuneigo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# zuneigo_test(NAME SOURCES ... DEPS ... [LABELS ...] [TIMEOUT s]): one GoogleTest
# binary registered as one CTest test. Label "gui" keeps it out of the sanitizer run;
# label "net" marks tests that start real peers on 127.0.0.1.
function(zuneigo_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "ZUNEIGO_SOURCE_DIR=${PROJECT_SOURCE_DIR};ZUNEIGO_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# zuneigo_fuzzer(NAME SOURCES ... DEPS ...): a libFuzzer target, built to bin/fuzz_NAME.
function(zuneigo_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(fuzz_${name} ${ARG_SOURCES})
  target_link_libraries(fuzz_${name} PRIVATE ${ARG_DEPS})
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  if(NOT TARGET fuzzers)
    add_custom_target(fuzzers)
  endif()
  add_dependencies(fuzzers fuzz_${name})
endfunction()

# zuneigo_module(NAME DEPS ...): the folder's *.cpp files as one static library.
function(zuneigo_module name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  zuneigo_library(${name} SOURCES ${sources} DEPS ${ARG_DEPS})
endfunction()

# zuneigo_test_folder(PREFIX DEPS ... [LABELS ...]): every *Test.cpp of the folder
# becomes its own test binary PREFIX_<file>; the folder's other *.cpp files are shared
# helpers linked into each.
function(zuneigo_test_folder prefix)
  cmake_parse_arguments(ARG "" "TIMEOUT" "DEPS;LABELS" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(tests "")
  set(helpers "")
  foreach(src IN LISTS all)
    if(src MATCHES "Test\\.cpp$")
      list(APPEND tests ${src})
    else()
      list(APPEND helpers ${src})
    endif()
  endforeach()
  if(helpers)
    add_library(${prefix}_testhelpers STATIC ${helpers})
    target_include_directories(${prefix}_testhelpers PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${prefix}_testhelpers PUBLIC ${ARG_DEPS} GTest::gtest)
    list(APPEND ARG_DEPS ${prefix}_testhelpers)
  endif()
  foreach(src IN LISTS tests)
    get_filename_component(stem ${src} NAME_WE)
    zuneigo_test(${prefix}_${stem} SOURCES ${src} DEPS ${ARG_DEPS} LABELS ${ARG_LABELS} TIMEOUT ${ARG_TIMEOUT})
  endforeach()
endfunction()

# Adds every subfolder of the current folder that has a CMakeLists.txt.
function(zuneigo_subfolders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
