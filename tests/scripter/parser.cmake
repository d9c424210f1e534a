restaurol_add_test(scripter_parser_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ScriptParserTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScriptParserClassifyTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StatementTextTest.cpp
  LIBS restaurol_scripter)
