# The library editor: its form, the lists with their documents and drags, import, apply and the resets,
# online against the simulated synthesizer.
kw_add_app_test(kw_app_library_test SOURCES PanelFixture.h LibraryTest.cpp)
