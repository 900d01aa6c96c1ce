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
