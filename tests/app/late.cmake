# The editor with the time-outs it ships with against the simulated synthesizer answering every message
# late, as one on a MIDI cable does: a whole send takes some 20 s, longer on a loaded machine.
kw_add_app_test(kw_app_late_synth_test TIMEOUT 300 SOURCES PanelFixture.h SynthLateTest.cpp)
