# Helpers shared by every subsystem's CMakeLists.txt.

# station_logic_library(NAME SOURCES... [DEPENDS libs...])
# A library of plain standard C++: it must never link Qt.
function(station_logic_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  set_target_properties(${name} PROPERTIES AUTOMOC OFF POSITION_INDEPENDENT_CODE ON)
endfunction()

# station_ui_library(NAME SOURCES... [DEPENDS libs...])
# A Qt layer on top of logic libraries.
function(station_ui_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC Qt6::Widgets ${ARG_DEPENDS})
endfunction()

# A skipped GoogleTest or Qt Test row still ends its program with 0, which CTest counts as
# passed. So a test program's entry fails on a skip, and rows that may be skipped on some
# machines (no locale, no mount namespace) run as an entry of their own that CTest reports
# as skipped.
set(STATION_GTEST_SKIPPED "\\[  SKIPPED \\]")

# station_gtest(NAME SOURCES... DEPENDS libs... [SKIPPABLE SUFFIX FILTER])
# One GoogleTest executable for a Qt-free class; no display needed. With SKIPPABLE, the rows
# matching the --gtest_filter FILTER run as NAME_SUFFIX, skipped when any of them skips (so
# they must skip all together, on one condition), and NAME runs the others.
function(station_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;SKIPPABLE" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES AUTOMOC OFF)
  if(ARG_SKIPPABLE)
    list(GET ARG_SKIPPABLE 0 suffix)
    list(GET ARG_SKIPPABLE 1 filter)
    add_test(NAME ${name} COMMAND ${name} --gtest_filter=-${filter})
    add_test(NAME ${name}_${suffix} COMMAND ${name} --gtest_filter=${filter})
    set_tests_properties(${name}_${suffix} PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8"
                         SKIP_REGULAR_EXPRESSION "${STATION_GTEST_SKIPPED}"
                         FAIL_REGULAR_EXPRESSION "Running 0 tests")
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8"
                       FAIL_REGULAR_EXPRESSION "${STATION_GTEST_SKIPPED}")
endfunction()

# station_qtest(NAME SOURCES... DEPENDS libs...)
# One Qt Test executable for a window or widget; runs offscreen. Fails on a QSKIP.
function(station_qtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} Qt6::Test Qt6::Widgets)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
                       FAIL_REGULAR_EXPRESSION "SKIP   : ")
endfunction()
