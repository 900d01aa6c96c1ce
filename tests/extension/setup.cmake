# Tests of the setup data (the user-command pages, the options and the setup files) in the simulated
# host, and of the service keeping its pages in the host's preferences.
if(TARGET dialbridge_setup AND TARGET db_simhost)
    db_extension_tests(dialbridge_setup_tests
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
            ${CMAKE_CURRENT_LIST_DIR}/setup/SetupDataTest.cpp
        LIBRARIES dialbridge_setup db_simhost)
endif()
if(TARGET dialbridge_bundle AND TARGET db_simhost_synth)
    db_extension_tests(dialbridge_setup_scenario_tests
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
            ${CMAKE_CURRENT_LIST_DIR}/service/ServiceHostFixture.cpp
            ${CMAKE_CURRENT_LIST_DIR}/setup/ServiceSetupDataTest.cpp
        INCLUDES ${CMAKE_CURRENT_LIST_DIR}/service ${CMAKE_CURRENT_LIST_DIR}/remote
        LIBRARIES dialbridge_bundle db_simhost_synth)
endif()
