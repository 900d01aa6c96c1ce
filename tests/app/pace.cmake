# The editor against zelk-sim as a program of its own on the test JACK server: sends keep the protocol's
# pace and survive a lost message, and the store button follows the synthesizer's bank edit flag.
if(TARGET zelk-sim)
    kw_add_app_test(app_synth_pace_tests JACK INTERPROCESS TIMEOUT 300 SOURCES PanelFixture.h ZelkSimFixture.h SynthPaceTest.cpp)
    target_compile_definitions(app_synth_pace_tests PRIVATE KW_ZELK_SIM="$<TARGET_FILE:zelk-sim>")
    add_dependencies(app_synth_pace_tests zelk-sim)
endif()
