# Tests of the extension's setup panel: its values, views and window in the simulated host, and the
# synthesizer's user-command buttons with the whole extension.
if(TARGET dialbridge_bundle AND TARGET db_simhost)
    # The whole bundle: the service's factory commands stand beside the entry points they need.
    db_extension_tests(dialbridge_panel_tests
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
            ${CMAKE_CURRENT_LIST_DIR}/panel/SetupPanelTest.cpp
        DEFINITIONS DIALBRIDGE_RESOURCE_DIR="${DIALBRIDGE_RESOURCE_DIR}"
        LIBRARIES "$<LINK_LIBRARY:WHOLE_ARCHIVE,dialbridge_bundle>" db_simhost)
endif()

if(TARGET dialbridge_bundle AND TARGET db_simhost_synth)
    db_extension_tests(dialbridge_panel_scenario_tests
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
            ${CMAKE_CURRENT_LIST_DIR}/service/ServiceHostFixture.cpp
            ${CMAKE_CURRENT_LIST_DIR}/panel/SetupPanelScenarioTest.cpp
        INCLUDES ${CMAKE_CURRENT_LIST_DIR}/service ${CMAKE_CURRENT_LIST_DIR}/remote
        LIBRARIES dialbridge_bundle db_simhost_synth)
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
