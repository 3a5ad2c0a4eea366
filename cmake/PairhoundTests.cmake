# pairhound_add_gtest(<name> SOURCES ... [LIBS ...] [GUI])
# A GoogleTest executable whose cases run one process each through CTest, every process with its
# own settings store, home, data and temporary folders (see tests/support/TestEnv.h).
function(pairhound_add_gtest name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE pairhound_testmain_gui)
  else()
    target_link_libraries(${name} PRIVATE pairhound_testmain_core)
  endif()
  target_link_libraries(${name} PRIVATE pairhound_testsupport GTest::gtest GTest::gmock ${ARG_LIBS})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PAIRHOUND_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
               TIMEOUT 300)
endfunction()

# pairhound_add_qtest(<name> SOURCES ... [LIBS ...])
# A Qt Test executable for windows; runs offscreen.
function(pairhound_add_qtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE pairhound_testsupport Qt6::Test Qt6::Widgets ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PAIRHOUND_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
    TIMEOUT 600)
endfunction()
