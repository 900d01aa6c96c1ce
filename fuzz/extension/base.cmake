# The foundation's text conversions and identifier parsing, compiled into the fuzzer for coverage.
set(_db_base_dir ${PROJECT_SOURCE_DIR}/extension/base)
kw_add_fuzzer(base_text_fuzzer LABEL extension
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/base/TextFuzzer.cpp
            ${_db_base_dir}/String.cpp ${_db_base_dir}/detail/CodePage.cpp ${_db_base_dir}/FUnknown.cpp)
target_include_directories(base_text_fuzzer PRIVATE ${_db_base_dir})
