# dbhost with the extension, and zelk-sim, as two processes on the machine's MIDI system (a JACK server
# here); skipped without one.
if(TARGET dbhost AND TARGET dialbridge AND TARGET zelk-sim AND TARGET kw_test_main_core)
    kw_add_gtest(dialbridge_process_tests LABEL extension JACK INTERPROCESS TIMEOUT 900
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/process/DbHostProcessTest.cpp
        LIBS kw_platform_midi Qt6::Core)
    target_include_directories(dialbridge_process_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/protocol)
    target_compile_definitions(dialbridge_process_tests PRIVATE
        KW_ZELK_SIM="$<TARGET_FILE:zelk-sim>" KW_DBHOST="$<TARGET_FILE:dbhost>"
        KW_DIALBRIDGE="$<TARGET_FILE:dialbridge>")
    add_dependencies(dialbridge_process_tests zelk-sim dbhost dialbridge)
endif()
