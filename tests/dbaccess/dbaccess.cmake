# The database-access layer's tests.
restaurol_add_test(dbaccess_text
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ParamBlockTest.cpp ${CMAKE_CURRENT_LIST_DIR}/QueryTextTest.cpp
  LIBS restaurol_dbaccess)
restaurol_add_test(dbaccess_embedded
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EmbeddedTest.cpp
  LIBS restaurol_dbaccess)
restaurol_add_test(dbaccess_server
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ServerTest.cpp
  LIBS restaurol_dbaccess
  SERVER)
add_test(NAME dbaccess_ibase_includes
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_ibase_includes.sh ${PROJECT_SOURCE_DIR})
