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

# Real drags need a platform that carries them; the offscreen one drops every drag at once.
add_test(NAME TemplateKnobs.DragsOnThePlatformThatCarriesThem
         COMMAND kw_app_template_test --gtest_filter=TemplateKnobs.DraggingAKnob*)
set_tests_properties(TemplateKnobs.DragsOnThePlatformThatCarriesThem PROPERTIES LABELS app TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=minimal;KNOBWRIGHT_MIDI_BACKEND=virtual;KNOBWRIGHT_RESOURCE_DIR=${KW_APP_RESOURCE_DIR}")
