# GoogleTest sources of the table rules, export writer and settings file.
target_sources(quarvel_core_tests PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/TableRulesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExportWriterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsFileTest.cpp
)
