find_package(benchmark REQUIRED)
add_executable(parser_bench ${CMAKE_CURRENT_LIST_DIR}/ParserBench.cpp)
target_link_libraries(parser_bench PRIVATE restaurol_scripter benchmark::benchmark)
