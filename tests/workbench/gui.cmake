# Qt Test executables of the main window (quarvel_add_qt_test).
