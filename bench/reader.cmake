# The section file generator is shared with the other benchmarks.
add_library(quarvel_bench_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/PointLines.h
    ${CMAKE_CURRENT_LIST_DIR}/SectionFileGenerator.h
    ${CMAKE_CURRENT_LIST_DIR}/SectionFileGenerator.cpp)
target_include_directories(quarvel_bench_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(quarvel_bench_support PUBLIC quarvel_core PRIVATE quarvel_warnings)

add_executable(reader_benchmark ${CMAKE_CURRENT_LIST_DIR}/ReaderBenchmark.cpp)
target_link_libraries(reader_benchmark PRIVATE quarvel_bench_support quarvel_warnings
                      benchmark::benchmark)

# Feeds the reader arbitrary bytes; needs clang's libFuzzer, so other
# compilers skip it. The reader's sources are compiled in again so that the
# fuzzer sees their coverage. Run: reader_fuzzer -max_total_time=60 <corpus dir>
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND NOT MSVC)
    set(QUARVEL_SECTIONDATA_DIR ${PROJECT_SOURCE_DIR}/src/sectiondata)
    # The profile's fuzzer reads its sections through the same sources.
    set(QUARVEL_READER_FUZZ_SOURCES
        ${QUARVEL_SECTIONDATA_DIR}/Azimuths.cpp
        ${QUARVEL_SECTIONDATA_DIR}/Cp936PrivateUse.cpp
        ${QUARVEL_SECTIONDATA_DIR}/FieldParser.cpp
        ${QUARVEL_SECTIONDATA_DIR}/GbkDecoder.cpp
        ${QUARVEL_SECTIONDATA_DIR}/LineReader.cpp
        ${QUARVEL_SECTIONDATA_DIR}/PointLineParser.cpp
        ${QUARVEL_SECTIONDATA_DIR}/SectionReader.cpp
        ${QUARVEL_SECTIONDATA_DIR}/SystemErrorText.cpp
        ${QUARVEL_SECTIONDATA_DIR}/TextCodec.cpp
        ${QUARVEL_SECTIONDATA_DIR}/TextFieldDecoder.cpp)
    add_executable(reader_fuzzer ${CMAKE_CURRENT_LIST_DIR}/ReaderFuzzer.cpp
                   ${QUARVEL_READER_FUZZ_SOURCES})
    target_include_directories(reader_fuzzer PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(reader_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(reader_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(reader_fuzzer PRIVATE quarvel_warnings)
endif()
