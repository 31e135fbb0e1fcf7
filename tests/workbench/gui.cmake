# Qt Test executables of the main window (quarvel_add_qt_test).
quarvel_add_qt_test(SectionTableModelTest ${CMAKE_CURRENT_LIST_DIR}/SectionTableModelTest.cpp)
quarvel_add_qt_test(CQuarvelDlgTest ${CMAKE_CURRENT_LIST_DIR}/CQuarvelDlgTest.cpp
                    ${CMAKE_CURRENT_LIST_DIR}/WindowHarness.h)
