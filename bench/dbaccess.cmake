find_package(benchmark REQUIRED)
add_executable(dbaccess_bench ${CMAKE_CURRENT_LIST_DIR}/DbAccessBench.cpp)
target_link_libraries(dbaccess_bench PRIVATE restaurol_dbaccess benchmark::benchmark)
