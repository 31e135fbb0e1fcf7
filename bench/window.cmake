# The main window opening a large section file (Qt, offscreen).
if(TARGET quarvel_bench_support AND TARGET quarvel_gui AND NOT WIN32)
    add_executable(window_open_benchmark ${CMAKE_CURRENT_LIST_DIR}/WindowOpenBenchmark.cpp)
    target_link_libraries(window_open_benchmark PRIVATE quarvel_bench_support quarvel_gui
                          quarvel_warnings)
endif()
