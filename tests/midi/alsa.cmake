# The ALSA sequencer backend's own decisions, driven with the events the sequencer would send: no sequencer needed.
if(TARGET kw_platform_midi)
    kw_add_gtest(kw_alsa_logic_tests LABEL midi
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/AlsaLogicTest.cpp
        LIBS kw_platform_midi)
    target_include_directories(kw_alsa_logic_tests PRIVATE ${PROJECT_SOURCE_DIR}/platform/midi)
endif()
