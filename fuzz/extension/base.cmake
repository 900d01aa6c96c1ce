# The foundation's text conversions and identifier parsing.
kw_add_fuzzer(base_text_fuzzer LABEL extension SOURCES ${CMAKE_CURRENT_LIST_DIR}/base/TextFuzzer.cpp LIBS db_base)
