# Tests of the extension's setup panel: its values, views and window in the simulated host, and the
# synthesizer's user-command buttons with the whole extension.
if(TARGET dialbridge_bundle AND TARGET db_simhost)
    add_executable(dialbridge_panel_tests
        ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
        ${CMAKE_CURRENT_LIST_DIR}/panel/SetupPanelTest.cpp
    )
    kw_set_warnings(dialbridge_panel_tests)
    target_compile_definitions(dialbridge_panel_tests PRIVATE DIALBRIDGE_RESOURCE_DIR="${DIALBRIDGE_RESOURCE_DIR}")
    # The whole bundle: the service's factory commands stand beside the entry points they need.
    target_link_libraries(dialbridge_panel_tests PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,dialbridge_bundle>" db_simhost
        GTest::gtest GTest::gtest_main)
    gtest_discover_tests(dialbridge_panel_tests
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS extension TIMEOUT 120)
endif()

if(TARGET dialbridge_bundle AND TARGET db_simhost_synth)
    add_executable(dialbridge_panel_scenario_tests
        ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service/ServiceHostFixture.cpp
        ${CMAKE_CURRENT_LIST_DIR}/panel/SetupPanelScenarioTest.cpp
    )
    kw_set_warnings(dialbridge_panel_scenario_tests)
    target_include_directories(dialbridge_panel_scenario_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/service
        ${CMAKE_CURRENT_LIST_DIR}/remote)
    target_link_libraries(dialbridge_panel_scenario_tests PRIVATE dialbridge_bundle db_simhost_synth
        GTest::gtest GTest::gtest_main)
    gtest_discover_tests(dialbridge_panel_scenario_tests
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS extension TIMEOUT 120)
endif()

# The panel's text front end: the user's commands on standard input, the panel's state printed.
if(TARGET dbhost AND TARGET dialbridge)
    add_test(NAME DbHostPanel.PrintsThePanelAfterTheUsersCommands
        COMMAND sh -c "printf 'press TableViewTab\\nselect Category2 Edit\\nset DisplayName2 Scorewriter\\nshow\\n' | '$<TARGET_FILE:dbhost>' panel '$<TARGET_FILE:dialbridge>'")
    set_tests_properties(DbHostPanel.PrintsThePanelAfterTheUsersCommands PROPERTIES
        LABELS extension TIMEOUT 120
        PASS_REGULAR_EXPRESSION "menu Category2 \"Category\": \"Edit\".*field DisplayName2 \"Display name\": \"Scorew\""
        FAIL_REGULAR_EXPRESSION "dbhost:|panel:")
endif()
