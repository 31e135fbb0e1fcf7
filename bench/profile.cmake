# The section profile drawing a million points (Qt, offscreen).
if(TARGET quarvel_bench_support AND TARGET quarvel_workbench AND NOT WIN32)
    add_executable(profile_benchmark ${CMAKE_CURRENT_LIST_DIR}/ProfileBenchmark.cpp)
    target_link_libraries(profile_benchmark PRIVATE quarvel_bench_support quarvel_workbench
                          quarvel_warnings)
endif()

# Sends the sections the reader accepts through the profile's geometry, ticks,
# notes and page scales, with clang's libFuzzer as for the reader. That code
# needs QtCore alone, so the fuzzing build leaves the GUI out.
# Run: profile_fuzzer -max_total_time=60 <corpus dir>
if(DEFINED QUARVEL_READER_FUZZ_SOURCES)
    find_package(Qt6 6.4 QUIET COMPONENTS Core)
    if(TARGET Qt6::Core)
        set(QUARVEL_PROFILE_DIR ${PROJECT_SOURCE_DIR}/src/profile)
        add_executable(profile_fuzzer ${CMAKE_CURRENT_LIST_DIR}/ProfileFuzzer.cpp
                       ${QUARVEL_READER_FUZZ_SOURCES}
                       ${PROJECT_SOURCE_DIR}/src/table/TableRules.cpp
                       ${QUARVEL_PROFILE_DIR}/ProfileData.cpp
                       ${QUARVEL_PROFILE_DIR}/ProfileGeometry.cpp
                       ${QUARVEL_PROFILE_DIR}/ProfileScale.cpp)
        target_include_directories(profile_fuzzer PRIVATE ${PROJECT_SOURCE_DIR}/src)
        target_compile_options(profile_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_options(profile_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_libraries(profile_fuzzer PRIVATE Qt6::Core quarvel_warnings)
    endif()
endif()
