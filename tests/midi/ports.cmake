# The port directory, the communication controller and its port objects, and the midiports tool.
if(TARGET kw_midi AND TARGET kw_platform_midi)
    kw_add_gtest(kw_midi_ports_tests LABEL midi
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/PortDirectoryTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ComuControllerTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/VirtualMidiFixture.h
        LIBS kw_midi)
endif()
if(TARGET midiports AND TARGET kw_midi_peer)
    kw_add_gtest(kw_midiports_tool_tests LABEL midi JACK
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/MidiPortsToolTest.cpp
        LIBS Qt6::Core)
    target_compile_definitions(kw_midiports_tool_tests PRIVATE
        KW_MIDIPORTS="$<TARGET_FILE:midiports>" KW_MIDI_PEER="$<TARGET_FILE:kw_midi_peer>")
    add_dependencies(kw_midiports_tool_tests midiports kw_midi_peer)
endif()
# The controller over the machine's MIDI system (JACK here) needs a process of its own: the MIDI
# backend is chosen once per process.
if(TARGET kw_midi AND TARGET kw_midi_peer)
    kw_add_gtest(kw_midi_ports_jack_tests LABEL midi JACK
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/ComuControllerJackTest.cpp
        LIBS kw_midi)
    target_compile_definitions(kw_midi_ports_jack_tests PRIVATE KW_MIDI_PEER="$<TARGET_FILE:kw_midi_peer>")
    add_dependencies(kw_midi_ports_jack_tests kw_midi_peer)
endif()
