# The runner's own commands: CONNECT and the other connection commands, SET,
# DESCRIBE, INPUT and blob parameters.
restaurol_add_test(scripter_commands_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommandsConnectTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/CommandsDescribeTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/InputTest.cpp
  LIBS restaurol_scripter)
# CONNECT and CREATE DATABASE over a remote attachment to the private server.
restaurol_add_test(scripter_commands_server_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommandsServerTest.cpp
  LIBS restaurol_scripter
  SERVER)
