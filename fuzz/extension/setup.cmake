# The setup-file loader of the setup data, reading through the simulated host's XML parser.
if(TARGET dialbridge_setup AND TARGET db_simhost)
    kw_add_fuzzer(setup_file_fuzzer LABEL extension SOURCES ${CMAKE_CURRENT_LIST_DIR}/setup/SetupFileFuzzer.cpp
        LIBS dialbridge_setup db_simhost)
endif()
