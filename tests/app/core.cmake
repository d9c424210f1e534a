# The repair tool's toolkit-free core: configuration, text rules, the script.
if(NOT TARGET restaurol_app_core)
  add_subdirectory(${PROJECT_SOURCE_DIR}/app/core ${PROJECT_BINARY_DIR}/app/core)
endif()
restaurol_add_test(app_core_test
  SOURCES RepairSettingsTest.cpp AppRulesTest.cpp RepairScriptTest.cpp
  LIBS restaurol_app_core restaurol_scripter)
