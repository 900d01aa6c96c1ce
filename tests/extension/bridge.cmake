# The editor and the extension proven to agree through one simulated synthesizer: the editor's engine
# and the synthesizer on the in-process MIDI system, and the simulated host, with the built extension
# library loaded, on the same ports.
if(TARGET kw_midi AND TARGET kw_memory AND TARGET zelk_sim_midi AND TARGET db_dbhost AND TARGET dialbridge)
    kw_add_gtest(dialbridge_editor_bridge_tests LABEL extension TIMEOUT 300
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/bridge/EditorAndExtensionTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
        LIBS kw_midi kw_memory zelk_sim_midi db_dbhost Qt6::Test)
    target_include_directories(dialbridge_editor_bridge_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/midi
        ${PROJECT_SOURCE_DIR}/tests/protocol)
    target_compile_definitions(dialbridge_editor_bridge_tests PRIVATE DIALBRIDGE_PATH="$<TARGET_FILE:dialbridge>")
    add_dependencies(dialbridge_editor_bridge_tests dialbridge)
endif()
