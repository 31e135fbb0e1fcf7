target_sources(quarvel_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/BoundedSpinBox.h
    ${CMAKE_CURRENT_LIST_DIR}/BoundedSpinBox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CQuarvelDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/CQuarvelDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DialogUnits.h
    ${CMAKE_CURRENT_LIST_DIR}/DialogUnits.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtPaths.h
    ${CMAKE_CURRENT_LIST_DIR}/SectionTableModel.h
    ${CMAKE_CURRENT_LIST_DIR}/SectionTableModel.cpp
)
