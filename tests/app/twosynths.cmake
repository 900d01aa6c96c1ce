# The editor against two zelk-sim of one name, programs of their own on the test MIDI system; it carries
# MIDI between programs, as the tests labelled interprocess do.
if(TARGET zelk-sim)
    kw_add_app_test(app_two_synths_tests JACK INTERPROCESS TIMEOUT 300 SOURCES PanelFixture.h ZelkSimFixture.h
                    TwoSynthsTest.cpp)
    target_compile_definitions(app_two_synths_tests PRIVATE KW_ZELK_SIM="$<TARGET_FILE:zelk-sim>")
    add_dependencies(app_two_synths_tests zelk-sim)
endif()
