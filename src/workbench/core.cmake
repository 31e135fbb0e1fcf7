target_sources(quarvel_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/TableRules.h ${CMAKE_CURRENT_LIST_DIR}/TableRules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExportWriter.h ${CMAKE_CURRENT_LIST_DIR}/ExportWriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.h ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsFile.h ${CMAKE_CURRENT_LIST_DIR}/SettingsFile.cpp
)
