# Runs the built quarvel-cli on an example and checks the exit statuses and
# the file: -DCLI=<executable> -DINPUT=<section file> -DOUTPUT=<csv to write>
file(REMOVE "${OUTPUT}")
execute_process(COMMAND "${CLI}" export "${INPUT}" -o "${OUTPUT}" --knee-mode 1
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "export failed (${status}): ${errors}")
endif()
file(READ "${OUTPUT}" content HEX)
if(NOT content MATCHES "^31330d0a" OR NOT content MATCHES "0d0a$")
    message(FATAL_ERROR "unexpected export bytes: ${content}")
endif()
execute_process(COMMAND "${CLI}" export "${INPUT}" --no-such-option RESULT_VARIABLE status
                OUTPUT_QUIET ERROR_QUIET)
if(NOT status EQUAL 2)
    message(FATAL_ERROR "a usage error must exit with 2, got ${status}")
endif()
execute_process(COMMAND "${CLI}" --help RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "--help must exit with 0, got ${status}")
endif()
file(REMOVE "${OUTPUT}")
