# Tests of the setup data (the user-command pages, the options and the setup files) in the simulated
# host, and of the service keeping its pages in the host's preferences.
if(TARGET dialbridge_setup AND TARGET db_simhost)
    add_executable(dialbridge_setup_tests
        ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
        ${CMAKE_CURRENT_LIST_DIR}/setup/SetupDataTest.cpp
    )
    kw_set_warnings(dialbridge_setup_tests)
    target_link_libraries(dialbridge_setup_tests PRIVATE dialbridge_setup db_simhost GTest::gtest GTest::gtest_main)
    gtest_discover_tests(dialbridge_setup_tests
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS extension TIMEOUT 120)
endif()
if(TARGET dialbridge_bundle AND TARGET db_simhost_synth)
    add_executable(dialbridge_setup_scenario_tests
        ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service/ServiceHostFixture.cpp
        ${CMAKE_CURRENT_LIST_DIR}/setup/ServiceSetupDataTest.cpp
    )
    kw_set_warnings(dialbridge_setup_scenario_tests)
    target_include_directories(dialbridge_setup_scenario_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/service
        ${CMAKE_CURRENT_LIST_DIR}/remote)
    target_link_libraries(dialbridge_setup_scenario_tests PRIVATE dialbridge_bundle db_simhost_synth
        GTest::gtest GTest::gtest_main)
    gtest_discover_tests(dialbridge_setup_scenario_tests
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS extension TIMEOUT 120)
endif()
