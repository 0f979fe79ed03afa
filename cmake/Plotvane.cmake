# Helpers shared by the build files of src/, tests/, bench/ and plugins/.

# One test program per folder of tests/: every *_test.cpp below it, linked with
# the engine and the shared fakes of tests/support. ENV adds environment entries
# ("NAME=value") to every test of the suite.
function(plotvane_add_test_suite name)
  cmake_parse_arguments(ARG "" "DIR" "LIBS;ENV" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${ARG_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE plotvane_test_support ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  # Plug-in packages are scanned by the scanner program beside the tests; its verdicts are
  # kept in the build folder, not in the user's cache.
  if(TARGET plotvane-plugin-scan)
    add_dependencies(${name} plotvane-plugin-scan)
  endif()
  set(environment LANGUAGE= LC_ALL=C.UTF-8 XDG_STATE_HOME=${CMAKE_BINARY_DIR}/state XDG_CACHE_HOME=${CMAKE_BINARY_DIR}/cache
      PLOTVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR} ${ARG_ENV})
  # The tests run through "cmake -E env …": a list-valued ENVIRONMENT property does not survive
  # gtest_discover_tests (only its first entry arrives).
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${environment}")
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    # TextEnvironment.* needs LANGUAGE set at start; tests/CMakeLists.txt runs it so.
    TEST_FILTER "-TextEnvironment.*"
    DISCOVERY_TIMEOUT 60)
endfunction()

# One benchmark program per bench/*.cpp.
function(plotvane_add_bench source)
  get_filename_component(name ${source} NAME_WE)
  add_executable(bench_${name} ${source})
  target_link_libraries(bench_${name} PRIVATE plotvane benchmark::benchmark ${ARGN})
  if(TARGET plotvane-plugin-scan)
    add_dependencies(bench_${name} plotvane-plugin-scan)
  endif()
endfunction()

# A plug-in package: a shared library named as the loader's file mask expects,
# built into diagram_plugins/ next to the executables and installed into the plug-in folder
# of the installed libraries. Test and benchmark packages name an OUTPUT_DIR of their own
# and are not installed.
function(plotvane_add_plugin name)
  cmake_parse_arguments(ARG "" "OUTPUT_DIR" "SOURCES;LIBS" ${ARGN})
  set(installed FALSE)
  if(NOT ARG_OUTPUT_DIR)
    set(ARG_OUTPUT_DIR ${PLOTVANE_PLUGIN_DIR})
    set(installed TRUE)
    # The real packages, for the test suites that load them from diagram_plugins/.
    set_property(GLOBAL APPEND PROPERTY PLOTVANE_PACKAGES ${name})
  endif()
  add_library(${name} MODULE ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE plotvane ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIR}
    CXX_VISIBILITY_PRESET hidden
    INSTALL_RPATH "$ORIGIN/${PLOTVANE_PLUGIN_TO_LIB}")
  if(installed)
    install(TARGETS ${name} LIBRARY DESTINATION ${PLOTVANE_INSTALL_PLUGINDIR} COMPONENT runtime)
  endif()
endfunction()
