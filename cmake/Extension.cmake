# kw_set_extension_properties(<target>): a static part of the extension library. Its code ends up in a
# library the host loads, so it is position independent and shows nothing to the outside.
function(kw_set_extension_properties target)
    set_target_properties(${target} PROPERTIES
        POSITION_INDEPENDENT_CODE ON
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    kw_set_warnings(${target})
endfunction()
