# Tests of the extension's foundation library (db_base).
if(TARGET db_base)
    # A tiny library that the bundle tests load and hand to the entry points.
    add_library(db_base_test_bundle SHARED ${CMAKE_CURRENT_LIST_DIR}/base/TestBundle.cpp)
    kw_set_warnings(db_base_test_bundle)

    db_extension_tests(db_base_tests
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/base/StringTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/base/ThreadTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/base/ObjectTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/base/ContainerTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/base/FactoryTest.cpp
        DEFINITIONS DB_TEST_BUNDLE_PATH="$<TARGET_FILE:db_base_test_bundle>"
        LIBRARIES db_base)
    add_dependencies(db_base_tests db_base_test_bundle)
endif()
