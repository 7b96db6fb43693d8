# Each folder under src/ is one library named corvane_<folder>. Sources are picked up by
# glob so that adding a class pair never means editing a shared list.
function(corvane_layer name)
  cmake_parse_arguments(L "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(pattern IN LISTS L_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${pattern}")
  endforeach()
  if(srcs)
    add_library(corvane_${name} STATIC ${srcs})
    target_include_directories(corvane_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(corvane_${name} PUBLIC ${L_DEPS})
  else()
    add_library(corvane_${name} INTERFACE)
    target_include_directories(corvane_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(corvane_${name} INTERFACE ${L_DEPS})
  endif()
endfunction()

# One GoogleTest executable per tests/<layer> folder.
function(corvane_test_folder layer)
  cmake_parse_arguments(T "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${layer} ${srcs})
  target_link_libraries(test_${layer} PRIVATE ${T_DEPS} corvane_test_support GTest::gtest_main GTest::gmock)
  # The source tree's data folder, by absolute path: __FILE__ may be relative (ccache's base_dir,
  # -ffile-prefix-map), so tests never build paths from it.
  target_compile_definitions(test_${layer} PRIVATE CORVANE_SOURCE_DATA_DIR="${PROJECT_SOURCE_DIR}/data")
  # The label is the layer, so that one layer's tests can be run first (ctest -L '^maps$').
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator each start costs more than most tests: one ctest test per executable.
    add_test(NAME test_${layer} COMMAND test_${layer})
    set_tests_properties(test_${layer} PROPERTIES TIMEOUT 900 LABELS ${layer})
  else()
    gtest_discover_tests(test_${layer} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS ${layer})
  endif()
endfunction()
