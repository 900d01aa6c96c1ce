# The event record parser, the ring and delivery thread, and the transport over the platform layer.
if(TARGET kw_midi AND TARGET kw_platform_midi)
    kw_add_gtest(kw_midi_transport_tests LABEL midi
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/TransportParserTest.cpp ${CMAKE_CURRENT_LIST_DIR}/TransportTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/TransportHarness.h ${CMAKE_CURRENT_LIST_DIR}/VirtualMidiFixture.h
        LIBS kw_midi kw_platform_midi Qt6::Core)
    target_include_directories(kw_midi_transport_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})
endif()
