# Tests of the extension's service role (selection monitoring, parameter finding and control, name
# conversion) against the simulated host's project model.
if(TARGET dialbridge_service AND TARGET db_simhost)
    db_extension_tests(dialbridge_service_tests
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
            ${CMAKE_CURRENT_LIST_DIR}/service/ParameterControllerTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/service/ParameterFinderTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/service/SelectionMonitorTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/service/SimHostProjectTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/service/StrConvTest.cpp
        INCLUDES ${CMAKE_CURRENT_LIST_DIR}/service ${CMAKE_CURRENT_LIST_DIR}/remote
        LIBRARIES dialbridge_service db_simhost)
endif()

# The whole extension in the simulated host against the simulated synthesizer's core: the service
# following the selection, its knobs, names and values, its actions, commands and threads.
if(TARGET dialbridge_bundle AND TARGET db_simhost_synth)
    # Every test that runs the whole extension finds the panel description in the build's resource folder.
    set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/service/ServiceHostFixture.cpp PROPERTIES
        COMPILE_DEFINITIONS DIALBRIDGE_RESOURCE_DIR="${DIALBRIDGE_RESOURCE_DIR}")
    db_extension_tests(dialbridge_service_scenario_tests
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
            ${CMAKE_CURRENT_LIST_DIR}/service/ServiceCoreTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/service/ServiceHostFixture.cpp
            ${CMAKE_CURRENT_LIST_DIR}/service/ServiceModelTest.cpp
        INCLUDES ${CMAKE_CURRENT_LIST_DIR}/service ${CMAKE_CURRENT_LIST_DIR}/remote
        LIBRARIES dialbridge_bundle db_simhost_synth)
endif()
