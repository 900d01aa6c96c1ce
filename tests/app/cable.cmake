# The editor against zelk-sim behind a synthesizer's MIDI cable (a kernel client of the ALSA sequencer,
# whose raw device a test peer reads at the wire's pace): runs in the guest kernels, skipped on JACK.
if(TARGET zelk-sim)
    kw_add_app_test(app_synth_cable_tests JACK INTERPROCESS TIMEOUT 600
        SOURCES PanelFixture.h ZelkSimFixture.h SynthCableTest.cpp ${PROJECT_SOURCE_DIR}/tests/midi/CableReader.h)
    target_include_directories(app_synth_cable_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/midi)
    target_compile_definitions(app_synth_cable_tests PRIVATE KW_ZELK_SIM="$<TARGET_FILE:zelk-sim>")
    add_dependencies(app_synth_cable_tests zelk-sim)
endif()
