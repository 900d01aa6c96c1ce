# Many full transfers back to back, in-process and across processes over the machine's MIDI system:
# slow, so they carry a label of their own beside the folder's. The in-process one keeps the machine busy and
# runs alone; the one across processes mostly waits for its JACK server's cycles and starts first.
if(TARGET kw_midi AND TARGET kw_memory AND TARGET zelk_sim_midi)
    kw_add_gtest(protocol_stress_tests LABEL protocol stress SERIAL TIMEOUT 600
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_stress_test.cpp ${CMAKE_CURRENT_LIST_DIR}/stress_support.h
        LIBS kw_midi kw_memory zelk_sim_midi Qt6::Test)
    target_include_directories(protocol_stress_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/tests/midi)
endif()
if(TARGET kw_midi AND TARGET kw_memory AND TARGET zelk-sim)
    kw_add_gtest(protocol_stress_process_tests LABEL protocol stress INTERPROCESS FIRST TIMEOUT 900
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_stress_process_test.cpp ${CMAKE_CURRENT_LIST_DIR}/stress_support.h
                ${CMAKE_CURRENT_LIST_DIR}/private_jack.h ${CMAKE_CURRENT_LIST_DIR}/zelk_sim_process.h
        LIBS kw_midi kw_memory zelk_sim_core Qt6::Test)
    target_include_directories(protocol_stress_process_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/tests/midi)
    target_compile_definitions(protocol_stress_process_tests PRIVATE KW_ZELK_SIM="$<TARGET_FILE:zelk-sim>")
    add_dependencies(protocol_stress_process_tests zelk-sim)
endif()
