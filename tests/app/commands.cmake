# The main window's menus and commands, the scan-progress panel and the setup panel; the scans run over a
# computer laid out as the plug-in tests lay one out, with the stand-in finder.
if(NOT TARGET kw_stand_in_finder)
    return()
endif()
kw_add_app_test(app_commands_tests TIMEOUT 300 SOURCES
    PanelFixture.h
    MenuCommandsTest.cpp
    ScanSetupTest.cpp
    ${PROJECT_SOURCE_DIR}/tests/plugins/PluginMachine.cpp)
target_include_directories(app_commands_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/plugins)
target_compile_definitions(app_commands_tests PRIVATE KW_STAND_IN_FINDER="$<TARGET_FILE:kw_stand_in_finder>")
add_dependencies(app_commands_tests kw_stand_in_finder)
