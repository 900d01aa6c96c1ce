# The editor against zelk-sim as a program of its own on the test JACK server: the synthesizer switched
# off and on again.
if(TARGET zelk-sim)
    kw_add_app_test(app_synth_restart_tests JACK INTERPROCESS TIMEOUT 600 SOURCES PanelFixture.h ZelkSimFixture.h SynthRestartTest.cpp)
    target_compile_definitions(app_synth_restart_tests PRIVATE KW_ZELK_SIM="$<TARGET_FILE:zelk-sim>")
    add_dependencies(app_synth_restart_tests zelk-sim)
    # A second program that sends the editor more than its input takes (tests/midi makes it, after this folder).
    if(TARGET kw_platform_midi)
        target_compile_definitions(app_synth_restart_tests PRIVATE KW_MIDI_PEER="$<TARGET_FILE:kw_midi_peer>")
        add_dependencies(app_synth_restart_tests kw_midi_peer)
    endif()
endif()
