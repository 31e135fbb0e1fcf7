# Runs the built quarvel-cli on an example and checks the exit statuses and
# the file: -DCLI=<executable> -DINPUT=<section file> -DEXPECTED=<its export>
# -DWORK_DIR=<folder for the export>. The export gets a name of its own, so that
# runs of this test at the same time do not write over each other's file.
# [-DEMULATOR=<what runs a cross-built executable>]
string(RANDOM LENGTH 16 suffix)
set(OUTPUT "${WORK_DIR}/quarvel-cli-${suffix}.csv")

function(fail message)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "${message}")
endfunction()

# The Chinese column names travel through the real command line.
execute_process(COMMAND ${EMULATOR} "${CLI}" export "${INPUT}" -o "${OUTPUT}" --knee-mode 1
                        --decimals 2 --columns "编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层"
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    fail("export failed (${status}): ${errors}")
endif()
file(READ "${OUTPUT}" content HEX)
file(READ "${EXPECTED}" expected HEX)
if(NOT content STREQUAL expected)
    fail("export bytes differ from ${EXPECTED}: ${content}")
endif()
file(REMOVE "${OUTPUT}")

execute_process(COMMAND ${EMULATOR} "${CLI}" export "${INPUT}" --no-such-option RESULT_VARIABLE status
                OUTPUT_QUIET ERROR_QUIET)
if(NOT status EQUAL 2)
    fail("a usage error must exit with 2, got ${status}")
endif()
execute_process(COMMAND ${EMULATOR} "${CLI}" export "${INPUT}" --version RESULT_VARIABLE status
                OUTPUT_VARIABLE version)
if(NOT status EQUAL 0 OR NOT version MATCHES "^quarvel-cli ")
    fail("--version after the input must print the version, got ${status}: ${version}")
endif()
