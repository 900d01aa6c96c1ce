# The ALSA sequencer backend's own decisions, driven with the events the sequencer would send: no sequencer needed.
if(TARGET kw_platform_midi)
    kw_add_gtest(kw_alsa_logic_tests LABEL midi
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/AlsaLogicTest.cpp
        LIBS kw_platform_midi)
    target_include_directories(kw_alsa_logic_tests PRIVATE ${PROJECT_SOURCE_DIR}/platform/midi)
endif()

# What the ALSA sequencer backend sends, as receivers on a real sequencer see it (in a guest kernel; skipped
# where the machine's MIDI system is JACK).
if(TARGET kw_platform_midi AND TARGET kw_midi)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(KW_TEST_ALSA REQUIRED IMPORTED_TARGET alsa)
    kw_add_gtest(kw_alsa_send_tests LABEL midi
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/AlsaSendTest.cpp ${CMAKE_CURRENT_LIST_DIR}/CableReader.h
        LIBS kw_midi kw_platform_midi PkgConfig::KW_TEST_ALSA Qt6::Core)
    kw_label_discovered_tests(kw_alsa_send_tests "midi;interprocess" MATCHING "^AlsaSend[.]")
endif()
