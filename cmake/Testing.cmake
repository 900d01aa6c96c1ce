include(GoogleTest)
find_package(GTest REQUIRED)

# The JACK servers that ctest hands out to the tests of the machine's MIDI system, one test on a server at a
# time. By default one, the server JACK_DEFAULT_SERVER names ("s0"), so that a plain ctest runs those tests
# one after another; scripts/test starts several and gives ctest their file (--resource-spec-file), and the
# test main points each test at the server it was given (tests/common/TestEnvironment.cpp).
set(CTEST_RESOURCE_SPEC_FILE ${CMAKE_BINARY_DIR}/jack-servers.json)
file(WRITE ${CTEST_RESOURCE_SPEC_FILE}
     "{\"version\": {\"major\": 1, \"minor\": 0}, \"local\": [{\"jack\": [{\"id\": \"s0\", \"slots\": 1}]}]}\n")

# kw_add_gtest(<name> LABEL <subsystem>... SOURCES ... [LIBS ...] [GUI] [JACK] [INTERPROCESS] [SERIAL] [FIRST])
# A GoogleTest executable whose tests carry the subsystem's ctest LABEL (the folder's first; a test that
# guards another subsystem's code carries that one's too). GUI tests get a
# QApplication (offscreen), the others a QCoreApplication; both run with QStandardPaths in
# test mode and settings in a private temporary folder. JACK marks executables whose tests use the
# machine's JACK server: no two run on one server at once, since a dummy-driver server that has many
# clients coming and going at once starts to drop data and stall; ctest hands each a JACK server of its own
# out of those the resource file above names. SERIAL marks tests that load the machine for minutes (the
# in-process stress test): ctest runs them alone, so that they do not slow the timed waits of others. FIRST
# marks tests that take long but mostly wait (the stress test across processes on a JACK server of its own):
# ctest starts them before the others, so that the rest of the run goes on beside them.
# INTERPROCESS adds the label interprocess: the tests carry MIDI between programs over the machine's MIDI
# system, and scripts/test also runs them on ALSA's sequencer inside guest kernels (scripts/uml).
function(kw_add_gtest name)
    cmake_parse_arguments(ARG "GUI;JACK;INTERPROCESS;SERIAL;FIRST" "TIMEOUT" "LABEL;SOURCES;LIBS" ${ARGN})
    if(NOT ARG_LABEL)
        message(FATAL_ERROR "kw_add_gtest(${name}): LABEL is required")
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    kw_set_warnings(${name})
    if(ARG_GUI)
        target_link_libraries(${name} PRIVATE kw_test_main_gui)
    else()
        target_link_libraries(${name} PRIVATE kw_test_main_core)
    endif()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    set(extra_properties)
    if(ARG_JACK)
        list(APPEND extra_properties RESOURCE_GROUPS jack:1)
    endif()
    if(ARG_SERIAL)
        list(APPEND extra_properties RUN_SERIAL TRUE)
    endif()
    if(ARG_FIRST)
        list(APPEND extra_properties COST 100000)
    endif()
    list(GET ARG_LABEL 0 label)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS ${label} TIMEOUT ${ARG_TIMEOUT}
                   ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${extra_properties})
    set(labels ${ARG_LABEL})
    if(ARG_INTERPROCESS)
        list(APPEND labels interprocess)
    endif()
    list(LENGTH labels label_count)
    if(label_count GREATER 1)
        kw_label_discovered_tests(${name} "${labels}")
    endif()
endfunction()

# kw_label_discovered_tests(<test program> <labels> [MATCHING <regex>]): gives every test that
# gtest_discover_tests finds in the program (or those whose names match) these labels. Its PROPERTIES take one
# value per property (a list would be split on the way), so the labels are set by a script that ctest reads
# after the discovered list.
function(kw_label_discovered_tests target labels)
    cmake_parse_arguments(ARG "" "MATCHING" "" ${ARGN})
    if(NOT ARG_MATCHING)
        set(ARG_MATCHING ".")
    endif()
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake")
    file(WRITE "${script}"
         "foreach(test IN LISTS ${target}_TESTS)\n"
         "    if(test MATCHES \"${ARG_MATCHING}\")\n"
         "        set_tests_properties(\"\${test}\" PROPERTIES LABELS \"${labels}\")\n"
         "    endif()\n"
         "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()
