# The editor against zelk-sim as a program of its own on the test JACK server: the synthesizer switched
# off and on again.
if(TARGET zelk-sim)
    kw_add_app_test(app_synth_restart_tests JACK INTERPROCESS TIMEOUT 600 SOURCES PanelFixture.h ZelkSimFixture.h SynthRestartTest.cpp)
    target_compile_definitions(app_synth_restart_tests PRIVATE KW_ZELK_SIM="$<TARGET_FILE:zelk-sim>")
    add_dependencies(app_synth_restart_tests zelk-sim)
endif()
