# broodlog_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [CUPS] [DATA_DIR <dir>])
# One GoogleTest executable; each of its tests becomes a ctest test. GUI tests
# get a TApplication and run on Qt's offscreen platform, so they need no display.
# CUPS tests print on the private scheduler of the cups_lab fixture, one at a
# time (a file queue overwrites its output with every job).
function(broodlog_add_test name)
  cmake_parse_arguments(ARG "GUI;CUPS" "DATA_DIR" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  if(ARG_GUI)
    # The application object lives for the whole test run.
    target_link_libraries(${name} PRIVATE qt_test_main)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE
    BROODLOG_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    BROODLOG_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(ARG_DATA_DIR)
    target_compile_definitions(${name} PRIVATE TESTDATADIR="${ARG_DATA_DIR}")
  endif()
  set(env "")
  if(ARG_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  set(extra "")
  if(ARG_CUPS)
    find_package(Cups REQUIRED)
    target_link_libraries(${name} PRIVATE Cups::Cups)
    # Only the first variable of a list reaches a discovered test, so the
    # lab's one comes first and the tests derive CUPS_SERVER from it (the
    # test main sets the offscreen platform itself).
    set(env ${BROODLOG_CUPS_ENV})
    list(APPEND extra RESOURCE_LOCK cups_lab)
    if(BROODLOG_CUPS_ENV)
      list(APPEND extra FIXTURES_REQUIRED cups_lab)
    endif()
  endif()
  if(BROODLOG_SANITIZE)
    list(APPEND env "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/.ci/lsan.supp:print_suppressions=0"
                    "UBSAN_OPTIONS=print_stacktrace=1")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${env}" TIMEOUT 120 ${extra})
endfunction()

# broodlog_engine_library(<name> <sources...>): a Qt-free engine layer.
function(broodlog_engine_library name)
  add_library(${name} STATIC ${ARGN})
  add_library(broodlog::${name} ALIAS ${name})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()
