# Qt Test executables of the main window (quarvel_add_qt_test).
quarvel_add_qt_test(SectionTableModelTest ${CMAKE_CURRENT_LIST_DIR}/SectionTableModelTest.cpp)
quarvel_add_qt_test(CQuarvelDlgTest ${CMAKE_CURRENT_LIST_DIR}/CQuarvelDlgTest.cpp
                    ${CMAKE_CURRENT_LIST_DIR}/WindowHarness.h)
quarvel_add_qt_test(ViewOptionsTest ${CMAKE_CURRENT_LIST_DIR}/ViewOptionsTest.cpp
                    ${CMAKE_CURRENT_LIST_DIR}/WindowHarness.h)
# The export must equal quarvel-cli's bytes: the test runs the command in-process.
target_link_libraries(ViewOptionsTest PRIVATE quarvel_cli_lib)
quarvel_add_qt_test(WalkThroughTest ${CMAKE_CURRENT_LIST_DIR}/WalkThroughTest.cpp
                    ${CMAKE_CURRENT_LIST_DIR}/WindowHarness.h)
