# The application shell: start-up, the main window, ports and route, the panel lock, window behaviour.
kw_add_app_test(app_shell_tests SOURCES
    ShellFixture.h
    ShellStartTest.cpp
    ShellPortsTest.cpp
    ShellWindowTest.cpp
    ShellHelpersTest.cpp
    ShellProgramTest.cpp)
target_compile_definitions(app_shell_tests PRIVATE KW_KNOBWRIGHT_PROGRAM="$<TARGET_FILE:knobwright>")
add_dependencies(app_shell_tests knobwright)
