# The simulated synthesizer: its codec, state machine and panel language; its MIDI binding on in-process
# ports, and zelk-sim as a separate process on JACK ports, when the platform MIDI layer is in the build.
if(TARGET zelk_sim_core)
    kw_add_gtest(sim_synth_tests LABEL protocol
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_codec_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sim_core_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/sim_commands_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sim_remote_test.cpp
        LIBS zelk_sim_core)
endif()
if(TARGET zelk_sim_midi)
    kw_add_gtest(sim_synth_midi_tests LABEL protocol
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_midi_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sim_midi_support.h
        LIBS zelk_sim_midi Qt6::Core)
    target_include_directories(sim_synth_midi_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/midi)
    # zelk-sim as a program of its own: a test program apart, as it needs the machine's MIDI system.
    kw_add_gtest(sim_synth_process_tests LABEL protocol JACK INTERPROCESS
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_process_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sim_midi_support.h
                ${CMAKE_CURRENT_LIST_DIR}/zelk_sim_process.h
        LIBS zelk_sim_midi Qt6::Core)
    target_include_directories(sim_synth_process_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/midi)
    target_compile_definitions(sim_synth_process_tests PRIVATE KW_ZELK_SIM="$<TARGET_FILE:zelk-sim>")
    add_dependencies(sim_synth_process_tests zelk-sim)
endif()
