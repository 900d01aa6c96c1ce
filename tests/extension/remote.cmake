# Tests of the DAW extension (dialbridge) and the simulated host.
if(TARGET dialbridge AND TARGET db_simhost)
    db_extension_tests(dialbridge_tests
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/remote/ChannelTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/remote/ExtensionMessagesTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/remote/HostInterfacesTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/remote/LibraryTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/remote/SimHostTestSupport.cpp
            ${CMAKE_CURRENT_LIST_DIR}/remote/UsefulTest.cpp
        INCLUDES ${CMAKE_CURRENT_LIST_DIR}/remote
        DEFINITIONS DIALBRIDGE_PATH="$<TARGET_FILE:dialbridge>"
        LIBRARIES dialbridge_bundle db_simhost)
    add_dependencies(dialbridge_tests dialbridge)

    # The library shows the host its entry points and nothing else.
    add_test(NAME dialbridge.ExportsOnlyItsEntryPoints
        COMMAND sh -c "test \"$(nm -D --defined-only \"$0\" | awk '{print $3}' | sort | tr '\\n' ' ')\" = 'GetPluginFactory bundleEntry bundleExit '"
                $<TARGET_FILE:dialbridge>)
    set_tests_properties(dialbridge.ExportsOnlyItsEntryPoints PROPERTIES LABELS extension)
endif()

# dbhost lists the extension's classes and drives it against the simulated synthesizer in its own process.
if(TARGET dbhost AND TARGET dialbridge)
    add_test(NAME dbhost.ListsTheThreeClasses COMMAND dbhost list $<TARGET_FILE:dialbridge>)
    set_tests_properties(dbhost.ListsTheThreeClasses PROPERTIES LABELS extension
        PASS_REGULAR_EXPRESSION "classes: 3\nclass 0: cid 9DF255F2185E447289733758D4409CE3 category \"Service\" name \"Dialbridge\" cardinality 1 version \"1.0.2\"\nclass 1: cid F8DCF175A7304BE5A1DE1553899D2504 category \"Remote Devices\" name \"Telvor ZELK6/ZELK8\" cardinality 2147483647\nclass 2: cid A0DC148774BA4BF1A71252FF31B9F1BC category \"Device Detection\" name \"\" cardinality 1")
    add_test(NAME dbhost.RefusesAMissingLibrary COMMAND dbhost list /nonexistent/libdialbridge.so)
    set_tests_properties(dbhost.RefusesAMissingLibrary PROPERTIES LABELS extension WILL_FAIL TRUE)
    add_test(NAME dbhost.ScenarioStartupAnnouncesTheExtensionOnceOpen
        COMMAND dbhost scenario $<TARGET_FILE:dialbridge> startup)
    set_tests_properties(dbhost.ScenarioStartupAnnouncesTheExtensionOnceOpen PROPERTIES LABELS extension
        FAIL_REGULAR_EXPRESSION "dbhost: "
        PASS_REGULAR_EXPRESSION "detect -> 0, devices: 1\n.*open -> 1\n.*device sends: F0 43 10 7F 1C 00 01 56 01 F7\n.*device gets: F0 43 10 7F 1C 01 01 50 00 .*synth: extension running, remote mode on")
    add_test(NAME dbhost.ScenarioControlsReachTheDevice COMMAND dbhost scenario $<TARGET_FILE:dialbridge> controls)
    set_tests_properties(dbhost.ScenarioControlsReachTheDevice PROPERTIES LABELS extension
        FAIL_REGULAR_EXPRESSION "dbhost: "
        PASS_REGULAR_EXPRESSION "device gets: AsgnKnob1 3\n.*device gets: EQKnob1 66\n.*device gets: F1 127\n.*device gets: DataDial 2\n.*host handles: DataDial 2\n.*device gets: F0 43 10 7F 1C 01 01 30 00 30 31 32 33 34 35 36 37 38 F7")
    add_test(NAME dbhost.ScenarioTemplateNamesTheParametersAndTheKnobTurnsOne
        COMMAND dbhost scenario $<TARGET_FILE:dialbridge> template)
    set_tests_properties(dbhost.ScenarioTemplateNamesTheParametersAndTheKnobTurnsOne PROPERTIES LABELS extension
        FAIL_REGULAR_EXPRESSION "dbhost: "
        PASS_REGULAR_EXPRESSION "synth shows: instrument \"[^\"]*\", track \"Pad\".*synth shows: knob 0 \"Cutoff\" = \"64.0\"\nsynth shows: knob 1 \"Resonance\" = \"20.0\"\nsynth shows: knob 2 \"Attack\" = \"5.0\"\n.*host: Pad Cutoff 64.4\n.*synth shows: knob 0 \"Cutoff\" = \"64.4\"")
    # Switched off, the synthesizer's ports go and the host closes the device; switched on, the host opens it
    # again, the device announces itself anew and the synthesizer is back on its page with the names.
    add_test(NAME dbhost.ScenarioRestartBringsTheSynthesizerBackWithoutTheUser
        COMMAND dbhost scenario $<TARGET_FILE:dialbridge> restart)
    set_tests_properties(dbhost.ScenarioRestartBringsTheSynthesizerBackWithoutTheUser PROPERTIES LABELS extension
        FAIL_REGULAR_EXPRESSION "dbhost: "
        PASS_REGULAR_EXPRESSION "synth: switched off\n.*host: device closed: its ports are gone\n.*synth: switched on\n.*device sends: F0 43 10 7F 1C 00 01 56 01 F7\n.*host: device opened: its ports are back\n.*synth shows: extension running, remote mode on\nsynth shows: instrument \"[^\"]*\", track \"Pad\", page \"MIDI\".*\nsynth shows: buttons \\[AdMidi\\] \\[AutoQ\\] \\[Qtz\\] \\[QtzLng\\] \\[Step\\] \\[QtzSet\\]\n.*synth shows: knob 2 \"Attack\" = \"5.0\"")
    add_test(NAME dbhost.ScenarioDialMovesTheCursorByLayer COMMAND dbhost scenario $<TARGET_FILE:dialbridge> dial)
    set_tests_properties(dbhost.ScenarioDialMovesTheCursorByLayer PROPERTIES LABELS extension
        FAIL_REGULAR_EXPRESSION "dbhost: "
        PASS_REGULAR_EXPRESSION "host: layer Jog Mode\n.*host: wheel 3\n.*host: layer Restless Mode\n.*cursor at ")
endif()
