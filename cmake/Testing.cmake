include(GoogleTest)
find_package(GTest REQUIRED)

# kw_add_gtest(<name> LABEL <subsystem>... SOURCES ... [LIBS ...] [GUI] [JACK] [INTERPROCESS] [SERIAL])
# A GoogleTest executable whose tests carry the subsystem's ctest LABEL (the folder's first; a test that
# guards another subsystem's code carries that one's too). GUI tests get a
# QApplication (offscreen), the others a QCoreApplication; both run with QStandardPaths in
# test mode and settings in a private temporary folder. JACK marks executables whose tests use the
# machine's JACK server: ctest runs them one at a time, since a dummy-driver server that has many
# clients coming and going at once starts to drop data and stall. SERIAL marks tests that load the machine
# for minutes (the stress tests): ctest runs them alone, so that they do not slow the timed waits of others.
# INTERPROCESS adds the label interprocess: the tests carry MIDI between programs over the machine's MIDI
# system, and scripts/test also runs them on ALSA's sequencer inside guest kernels (scripts/uml).
function(kw_add_gtest name)
    cmake_parse_arguments(ARG "GUI;JACK;INTERPROCESS;SERIAL" "TIMEOUT" "LABEL;SOURCES;LIBS" ${ARGN})
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
        list(APPEND extra_properties RESOURCE_LOCK jack)
    endif()
    if(ARG_SERIAL)
        list(APPEND extra_properties RUN_SERIAL TRUE)
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
