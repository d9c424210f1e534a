# The runner core: statement loop, generic path, transactions, error path.
restaurol_add_test(scripter_runner_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RunnerTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RunnerEndOfRunTest.cpp
  LIBS restaurol_scripter)
# The repair window's case over a remote attachment to the private server.
restaurol_add_test(scripter_runner_server_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RunnerServerTest.cpp
  LIBS restaurol_scripter
  SERVER)
