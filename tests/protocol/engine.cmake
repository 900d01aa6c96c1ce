# The protocol engine: bank operations, encoder, decoder, connection watcher and the memory service's
# MIDI route, alone and end to end against the simulated synthesizer (in-process, and as zelk-sim in
# another process over the machine's MIDI system).
if(TARGET kw_midi AND TARGET kw_memory AND TARGET zelk_sim_midi)
    kw_add_gtest(protocol_engine_tests LABEL protocol TIMEOUT 300
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_support.h ${CMAKE_CURRENT_LIST_DIR}/engine_decoder_test.cpp ${CMAKE_CURRENT_LIST_DIR}/engine_encoder_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/engine_synth_test.cpp
        LIBS kw_midi kw_memory zelk_sim_midi Qt6::Test)
    # The in-process MIDI fixture is the MIDI tests' own.
    target_include_directories(protocol_engine_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/tests/midi)
    # The memory service's bank operations are memory code as much as protocol: both labels guard them.
    kw_add_gtest(protocol_banks_tests LABEL protocol memory
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_support.h ${CMAKE_CURRENT_LIST_DIR}/engine_banks_test.cpp
        LIBS kw_midi kw_memory zelk_sim_midi Qt6::Test)
    target_include_directories(protocol_banks_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/tests/midi)
endif()
if(TARGET kw_midi AND TARGET kw_memory AND TARGET zelk-sim)
    kw_add_gtest(protocol_engine_process_tests LABEL protocol JACK INTERPROCESS TIMEOUT 300
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_support.h ${CMAKE_CURRENT_LIST_DIR}/engine_process_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/zelk_sim_process.h
        LIBS kw_midi kw_memory zelk_sim_core Qt6::Test)
    target_include_directories(protocol_engine_process_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})
    target_compile_definitions(protocol_engine_process_tests PRIVATE KW_ZELK_SIM="$<TARGET_FILE:zelk-sim>")
    add_dependencies(protocol_engine_process_tests zelk-sim)
endif()
