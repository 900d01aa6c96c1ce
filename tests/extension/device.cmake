# Tests of the remote device, its knob manager, detection, host detection and the service's hand-over,
# driven through the simulated host with the simulated synthesizer's core wired to its ports.
if(TARGET dialbridge_bundle AND TARGET db_simhost_synth)
    db_extension_tests(dialbridge_device_tests
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/device/DeviceHostFixture.cpp
            ${CMAKE_CURRENT_LIST_DIR}/device/DetectionTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/device/HostInfoTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/device/KnobManagerTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/device/RemoteDeviceTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
        INCLUDES ${CMAKE_CURRENT_LIST_DIR}/device ${CMAKE_CURRENT_LIST_DIR}/remote
        LIBRARIES dialbridge_bundle db_simhost_synth)
endif()
