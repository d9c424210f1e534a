# fbscript: its pieces, and the real binary run against embedded databases
# and the private server.
restaurol_add_test(cli_parts_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/CliPartsTest.cpp
  LIBS fbscript_core)

restaurol_add_test(cli_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FbscriptTest.cpp
  LIBS restaurol_dbaccess)
target_compile_definitions(cli_tests PRIVATE FBSCRIPT_PATH="$<TARGET_FILE:fbscript>")
add_dependencies(cli_tests fbscript)

restaurol_add_test(cli_server_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FbscriptServerTest.cpp
  LIBS restaurol_dbaccess
  SERVER)
target_compile_definitions(cli_server_tests PRIVATE FBSCRIPT_PATH="$<TARGET_FILE:fbscript>")
add_dependencies(cli_server_tests fbscript)
