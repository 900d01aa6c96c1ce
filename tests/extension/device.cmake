# Tests of the remote device, its knob manager, detection, host detection and the service's hand-over,
# driven through the simulated host with the simulated synthesizer's core wired to its ports.
if(TARGET dialbridge_bundle AND TARGET db_simhost_synth)
    add_executable(dialbridge_device_tests
        ${CMAKE_CURRENT_LIST_DIR}/device/DeviceHostFixture.cpp
        ${CMAKE_CURRENT_LIST_DIR}/device/DetectionTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/device/HostInfoTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/device/KnobManagerTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/device/RemoteDeviceTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
    )
    kw_set_warnings(dialbridge_device_tests)
    target_include_directories(dialbridge_device_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/device ${CMAKE_CURRENT_LIST_DIR}/remote)
    target_link_libraries(dialbridge_device_tests PRIVATE dialbridge_bundle db_simhost_synth
        GTest::gtest GTest::gtest_main)
    gtest_discover_tests(dialbridge_device_tests
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS extension TIMEOUT 120)
endif()
