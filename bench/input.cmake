find_package(benchmark REQUIRED)
# Peak memory of ExecuteFromFile over a generated input file; its size comes
# from RESTAUROL_INPUT_BENCH_MB (50 by default, 1024 for the full run).
add_executable(input_memory_bench ${CMAKE_CURRENT_LIST_DIR}/InputMemoryBench.cpp)
target_link_libraries(input_memory_bench PRIVATE restaurol_scripter benchmark::benchmark)
