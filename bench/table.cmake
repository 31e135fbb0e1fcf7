# Table building, export writing and quarvel-cli against a minimal loop.
if(TARGET quarvel_bench_support)
    add_executable(table_benchmark ${CMAKE_CURRENT_LIST_DIR}/TableBenchmark.cpp)
    target_link_libraries(table_benchmark PRIVATE quarvel_bench_support quarvel_cli_lib
                          quarvel_warnings benchmark::benchmark)
endif()
