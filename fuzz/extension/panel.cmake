# The setup panel driven by arbitrary user input in the simulated host, and the host's reader of panel
# descriptions.
if(TARGET dialbridge_setup AND TARGET db_simhost)
    kw_add_fuzzer(setup_panel_fuzzer LABEL extension RUNS 800
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/panel/SetupPanelFuzzer.cpp LIBS dialbridge_setup db_simhost)
    target_compile_definitions(setup_panel_fuzzer PRIVATE DIALBRIDGE_RESOURCE_DIR="${DIALBRIDGE_RESOURCE_DIR}")
endif()
