# quarvel --profile --reverse draws the section from its end: its picture is
# not the forward one. Run as a script so that the executable's own start-up,
# which Qt's options pass through, is part of the test.
# Arguments: QUARVEL (the executable), EMULATOR (empty unless cross-built),
# INPUT (a section file), OUT (a scratch folder).
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
foreach(direction forward reversed)
    set(extra)
    if(direction STREQUAL "reversed")
        set(extra --reverse)
    endif()
    execute_process(COMMAND ${EMULATOR} "${QUARVEL}" --profile "${INPUT}"
                            -o "${OUT}/${direction}.png" ${extra}
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "quarvel --profile ${extra} ended with ${status}")
    endif()
    file(SHA256 "${OUT}/${direction}.png" ${direction})
endforeach()
if(forward STREQUAL reversed)
    message(FATAL_ERROR "--reverse drew the section forward")
endif()
