# The simulated host's MIDI input feeding an installed remote device: the host's parser, the device's
# SysEx acceptance and its routing of control changes, on arbitrary bytes.
if(TARGET dialbridge_bundle AND TARGET db_simhost)
    kw_add_fuzzer(extension_device_input LABEL extension RUNS 2000
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/device/DeviceInputFuzzer.cpp LIBS dialbridge_bundle db_simhost)
endif()
