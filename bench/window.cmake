# The main window opening a large section file (Qt, offscreen).
if(TARGET quarvel_bench_support AND TARGET quarvel_workbench AND NOT WIN32)
    add_executable(window_open_benchmark ${CMAKE_CURRENT_LIST_DIR}/WindowOpenBenchmark.cpp)
    target_link_libraries(window_open_benchmark PRIVATE quarvel_bench_support quarvel_workbench
                          quarvel_warnings)
endif()

# The window's batch export of a folder, for bench/time-batch.sh.
if(TARGET quarvel_workbench AND NOT WIN32)
    add_executable(window_batch_benchmark ${CMAKE_CURRENT_LIST_DIR}/WindowBatchBenchmark.cpp)
    target_link_libraries(window_batch_benchmark PRIVATE quarvel_workbench quarvel_warnings)
endif()

# The main window opening a road of many files and moving along it.
if(TARGET quarvel_bench_support AND TARGET quarvel_workbench AND NOT WIN32)
    add_executable(road_window_benchmark ${CMAKE_CURRENT_LIST_DIR}/RoadWindowBenchmark.cpp)
    target_link_libraries(road_window_benchmark PRIVATE quarvel_bench_support quarvel_workbench
                          quarvel_warnings)
endif()
