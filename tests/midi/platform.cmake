# The platform MIDI layer: the in-process backend, port names, and real JACK ports between two processes.
if(TARGET kw_platform_midi)
    add_executable(kw_midi_peer ${CMAKE_CURRENT_LIST_DIR}/MidiPeerMain.cpp)
    target_link_libraries(kw_midi_peer PRIVATE kw_platform_midi)
    target_include_directories(kw_midi_peer PRIVATE ${PROJECT_SOURCE_DIR}/platform/midi)
    kw_set_warnings(kw_midi_peer)

    kw_add_gtest(kw_platform_midi_tests LABEL midi JACK
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlatformMidiTest.cpp ${CMAKE_CURRENT_LIST_DIR}/MachineMidiTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/MachineMidiUnitsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/MachineMidiFixture.h
                ${CMAKE_CURRENT_LIST_DIR}/VirtualMidiFixture.h
                ${PROJECT_SOURCE_DIR}/tests/protocol/private_jack.h
        LIBS kw_platform_midi Qt6::Core)
    target_include_directories(kw_platform_midi_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/protocol
                                                              ${PROJECT_SOURCE_DIR}/platform/midi)
    target_compile_definitions(kw_platform_midi_tests PRIVATE KW_MIDI_PEER="$<TARGET_FILE:kw_midi_peer>")
    add_dependencies(kw_platform_midi_tests kw_midi_peer)
    # The tests over the machine's MIDI system, whichever it is, carry MIDI between programs.
    kw_label_discovered_tests(kw_platform_midi_tests "midi;interprocess" MATCHING "^MachineMidi[.]")
    if(TARGET zelk-sim)
        target_compile_definitions(kw_platform_midi_tests PRIVATE KW_ZELK_SIM="$<TARGET_FILE:zelk-sim>")
        add_dependencies(kw_platform_midi_tests zelk-sim)
    endif()
endif()
