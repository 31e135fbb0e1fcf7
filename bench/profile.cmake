# The section profile drawing a million points (Qt, offscreen).
if(TARGET quarvel_bench_support AND TARGET quarvel_workbench AND NOT WIN32)
    add_executable(profile_benchmark ${CMAKE_CURRENT_LIST_DIR}/ProfileBenchmark.cpp)
    target_link_libraries(profile_benchmark PRIVATE quarvel_bench_support quarvel_workbench
                          quarvel_warnings)
endif()
