# The editor against zelk-sim as a program of its own on the test JACK server: what the editor shows and
# sends after the encoder gives up, a value of a receive is lost, or a port fails to open before a success.
if(TARGET zelk-sim)
    kw_add_app_test(app_synth_failure_tests JACK INTERPROCESS TIMEOUT 300 SOURCES PanelFixture.h ZelkSimFixture.h SynthFailureTest.cpp)
    target_compile_definitions(app_synth_failure_tests PRIVATE KW_ZELK_SIM="$<TARGET_FILE:zelk-sim>")
    add_dependencies(app_synth_failure_tests zelk-sim)
endif()
