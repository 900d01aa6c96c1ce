# The simulated synthesizer: its codec, state machine and panel language; its MIDI binding when the platform
# MIDI layer is in the build.
if(TARGET zelk_sim_core)
    kw_add_gtest(sim_synth_tests LABEL protocol
        SOURCES sim_codec_test.cpp sim_core_test.cpp sim_commands_test.cpp
        LIBS zelk_sim_core)
endif()
