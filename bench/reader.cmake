# The section file generator is shared with the other benchmarks.
add_library(quarvel_bench_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/SectionFileGenerator.h
    ${CMAKE_CURRENT_LIST_DIR}/SectionFileGenerator.cpp)
target_include_directories(quarvel_bench_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(quarvel_bench_support PUBLIC quarvel_core PRIVATE quarvel_warnings)

add_executable(reader_benchmark ${CMAKE_CURRENT_LIST_DIR}/ReaderBenchmark.cpp)
target_link_libraries(reader_benchmark PRIVATE quarvel_bench_support quarvel_warnings
                      benchmark::benchmark)
