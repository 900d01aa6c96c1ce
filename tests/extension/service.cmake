# Tests of the extension's service role (selection monitoring, parameter finding and control, name
# conversion) against the simulated host's project model.
if(TARGET dialbridge_service AND TARGET db_simhost)
    add_executable(dialbridge_service_tests
        ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service/ParameterControllerTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service/ParameterFinderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service/SelectionMonitorTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service/SimHostProjectTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service/StrConvTest.cpp
    )
    kw_set_warnings(dialbridge_service_tests)
    target_include_directories(dialbridge_service_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/service ${CMAKE_CURRENT_LIST_DIR}/remote)
    target_link_libraries(dialbridge_service_tests PRIVATE dialbridge_service db_simhost GTest::gtest GTest::gtest_main)
    gtest_discover_tests(dialbridge_service_tests
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS extension TIMEOUT 120)
endif()

# The whole extension in the simulated host against the simulated synthesizer's core: the service
# following the selection, its knobs, names and values, its actions, commands and threads.
if(TARGET dialbridge_bundle AND TARGET db_simhost_synth)
    add_executable(dialbridge_service_scenario_tests
        ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service/ServiceCoreTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service/ServiceHostFixture.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service/ServiceModelTest.cpp
    )
    kw_set_warnings(dialbridge_service_scenario_tests)
    target_include_directories(dialbridge_service_scenario_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/service ${CMAKE_CURRENT_LIST_DIR}/remote)
    target_link_libraries(dialbridge_service_scenario_tests PRIVATE dialbridge_bundle db_simhost_synth
        GTest::gtest GTest::gtest_main)
    gtest_discover_tests(dialbridge_service_scenario_tests
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS extension TIMEOUT 120)
endif()
