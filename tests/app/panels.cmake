# The overlay panels: the confirmation panels with their keys and the auto-sync panel against the
# simulated synthesizer.
kw_add_app_test(kw_app_panels_test
    SOURCES PanelFixture.h OverlayPanelsTest.cpp AutoSyncTest.cpp)
