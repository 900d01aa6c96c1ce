# The service's handling of host texts: parameter names and value texts, and a frequency read from its text.
if(TARGET db_simhost)
    kw_add_fuzzer(service_text_fuzzer LABEL extension SOURCES ${CMAKE_CURRENT_LIST_DIR}/service/HostTextFuzzer.cpp
        LIBS dialbridge_service db_simhost)
endif()
