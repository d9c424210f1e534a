# The repair window, its handler and the real program, under Xvfb, against
# two servers of these tests' own (first and fallback SYSDBA password) besides
# the shared test server (whose password is neither).
if(NOT RESTAUROL_GUI)
  return()
endif()

math(EXPR RESTAUROL_APP_FIRST_PORT "${RESTAUROL_TEST_PORT} + 1000")
math(EXPR RESTAUROL_APP_FALLBACK_PORT "${RESTAUROL_TEST_PORT} + 1500")
set(_app_servers_root ${CMAKE_BINARY_DIR}/app-fbservers)
set(_app_servers_args ${_app_servers_root} ${RESTAUROL_APP_FIRST_PORT} ${RESTAUROL_APP_FALLBACK_PORT})
add_test(NAME app.fbservers.start COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/servers start ${_app_servers_args})
add_test(NAME app.fbservers.stop COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/servers stop ${_app_servers_args})
set_tests_properties(app.fbservers.start PROPERTIES FIXTURES_SETUP appservers TIMEOUT 120)
set_tests_properties(app.fbservers.stop PROPERTIES FIXTURES_CLEANUP appservers TIMEOUT 60)

set(_app_port_defs APP_TEST_FIRST_PORT="${RESTAUROL_APP_FIRST_PORT}"
                   APP_TEST_FALLBACK_PORT="${RESTAUROL_APP_FALLBACK_PORT}")

restaurol_add_test(app_window_test
  SOURCES RepairWindowTest.cpp
  LIBS restaurol_app
  SERVER GUI)
target_compile_definitions(app_window_test PRIVATE ${_app_port_defs})

restaurol_add_test(app_program_test
  SOURCES RepairProgramTest.cpp
  LIBS restaurol_app
  GUI)
target_compile_definitions(app_program_test PRIVATE ${_app_port_defs}
  APP_TEST_PROGRAM="$<TARGET_FILE:restaurol>")
add_dependencies(app_program_test restaurol)

# The harness gives these cases their own fixtures; they need ours as well.
set(_app_props ${CMAKE_CURRENT_BINARY_DIR}/app_fixture_properties.cmake)
file(WRITE ${_app_props}
  "if(DEFINED app_window_test_TESTS)\n"
  "  set_tests_properties(\${app_window_test_TESTS} PROPERTIES FIXTURES_REQUIRED \"fbserver;xvfb;appservers\")\n"
  "endif()\n"
  "if(DEFINED app_program_test_TESTS)\n"
  "  set_tests_properties(\${app_program_test_TESTS} PROPERTIES FIXTURES_REQUIRED \"xvfb;appservers\")\n"
  "endif()\n")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_app_props})
