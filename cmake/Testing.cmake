include(GoogleTest)
find_package(GTest REQUIRED)

# kw_add_gtest(<name> LABEL <subsystem>... SOURCES ... [LIBS ...] [GUI] [JACK] [SERIAL])
# A GoogleTest executable whose tests carry the subsystem's ctest LABEL (the folder's first; a test that
# guards another subsystem's code carries that one's too). GUI tests get a
# QApplication (offscreen), the others a QCoreApplication; both run with QStandardPaths in
# test mode and settings in a private temporary folder. JACK marks executables whose tests use the
# machine's JACK server: ctest runs them one at a time, since a dummy-driver server that has many
# clients coming and going at once starts to drop data and stall. SERIAL marks tests that load the machine
# for minutes (the stress tests): ctest runs them alone, so that they do not slow the timed waits of others.
function(kw_add_gtest name)
    cmake_parse_arguments(ARG "GUI;JACK;SERIAL" "TIMEOUT" "LABEL;SOURCES;LIBS" ${ARGN})
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
    # Discovery writes its properties out as a flat list, which splits a list of labels: the whole list is
    # set by a file that ctest reads after the discovered tests' own.
    list(LENGTH ARG_LABEL label_count)
    if(label_count GREATER 1)
        set(labels_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake")
        file(WRITE "${labels_file}"
             "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${ARG_LABEL}\")\nendif()\n")
        set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${labels_file}")
    endif()
endfunction()
