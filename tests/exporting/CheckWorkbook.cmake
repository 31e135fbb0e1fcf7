# Exports section files with the built quarvel-cli as workbooks and as CSV under
# several recipes and reads the workbooks back with openpyxl (check_workbook.py):
# every cell as the CSV shows it, numbers as numbers. Then the same with
# --output-dir and --format xlsx, a road's workbook from merge, and (on Linux) the export on a disk that fills up.
# -DCLI=<quarvel-cli> -DPYTHON=<python with openpyxl> -DSCRIPT=<check_workbook.py>
# -DINPUTS=<section files, |-separated> -DWORK_DIR=<scratch folder>
# [-DEMULATOR=<what runs a cross-built executable>]
string(REPLACE "|" ";" INPUTS "${INPUTS}")
string(RANDOM LENGTH 12 suffix)
set(scratch "${WORK_DIR}/check-workbook-${suffix}")
file(MAKE_DIRECTORY "${scratch}")

function(fail message)
    file(REMOVE_RECURSE "${scratch}")
    message(FATAL_ERROR "${message}")
endfunction()

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        fail("${ARGN}\nfailed (${status}): ${out}${err}")
    endif()
endfunction()

set(all_columns "编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层")
set(recipes
    "--columns|${all_columns}|--decimals|2|--knee-mode|1"
    "--columns|${all_columns}|--decimals|0|--reverse|--renumber|--knee-mode|1"
    "--columns|方位,注释,与前点距离,高程Z|--decimals|1|--knee-mode|2"
    "--columns|${all_columns}|--decimals|3|--knee-mode|1")
set(index 0)
foreach(input IN LISTS INPUTS)
    foreach(recipe IN LISTS recipes)
        string(REPLACE "|" ";" options "${recipe}")
        math(EXPR index "${index} + 1")
        set(book "${scratch}/${index}.xlsx")
        set(table "${scratch}/${index}.csv")
        run(${EMULATOR} "${CLI}" export "${input}" -o "${book}" ${options})
        run(${EMULATOR} "${CLI}" export "${input}" -o "${table}" ${options}
            --first-line captions --encoding utf8-bom --separator comma)
        run("${PYTHON}" "${SCRIPT}" against-csv "${book}" "${table}")
    endforeach()
endforeach()

# Each input becomes NAME.xlsx in the folder, the same workbook as with -o.
run(${EMULATOR} "${CLI}" export ${INPUTS} --output-dir "${scratch}/folder" --format xlsx
    --columns ${all_columns})
list(GET INPUTS 0 first)
get_filename_component(name "${first}" NAME_WLE)
run(${EMULATOR} "${CLI}" export "${first}" -o "${scratch}/single.xlsx" --columns ${all_columns})
run("${PYTHON}" "${SCRIPT}" same "${scratch}/folder/${name}.xlsx" "${scratch}/single.xlsx")

# A road: "全线" holds the merged table, each section its own sheet.
run(${EMULATOR} "${CLI}" merge ${INPUTS} -o "${scratch}/road.xlsx" --columns ${all_columns}
    --decimals 2)
run(${EMULATOR} "${CLI}" merge ${INPUTS} -o "${scratch}/road.csv" --columns ${all_columns}
    --decimals 2 --first-line captions --encoding utf8-bom --separator comma)
run("${PYTHON}" "${SCRIPT}" road "${scratch}/road.xlsx" "${scratch}/road.csv")

if(NOT EMULATOR)
    file(MAKE_DIRECTORY "${scratch}/full")
    run("${PYTHON}" "${SCRIPT}" full-disk "${CLI}" "${scratch}/full")
endif()
file(REMOVE_RECURSE "${scratch}")
