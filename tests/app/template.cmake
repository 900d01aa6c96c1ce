# The template editor: its form, view, choosers, knob clipboard, drag-and-drop and saving, over a computer
# laid out as the plug-in tests lay it out (with their stand-in finder) and the simulated synthesizer.
if(NOT TARGET kw_stand_in_finder)
    return()
endif()
kw_add_app_test(kw_app_template_test TIMEOUT 180
    SOURCES TemplateFixture.h TemplateFormTest.cpp TemplateViewTest.cpp TemplatePopupsTest.cpp
            TemplateKnobsTest.cpp TemplateScenarioTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/../plugins/PluginMachine.cpp ${CMAKE_CURRENT_SOURCE_DIR}/../plugins/PluginMachine.h)
target_include_directories(kw_app_template_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/../plugins)
target_compile_definitions(kw_app_template_test PRIVATE KW_STAND_IN_FINDER="$<TARGET_FILE:kw_stand_in_finder>")
add_dependencies(kw_app_template_test kw_stand_in_finder)

