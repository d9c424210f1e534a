restaurol_add_test(base_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ComponentTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LineListTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ConvertTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextFileTest.cpp
  LIBS restaurol_base)
