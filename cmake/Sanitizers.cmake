# SANITIZE=address,undefined or SANITIZE=thread instruments every target of the project.
if(SANITIZE)
    set(_kw_san_flags -fsanitize=${SANITIZE} -fno-omit-frame-pointer -g)
    if(SANITIZE MATCHES "undefined")
        list(APPEND _kw_san_flags -fno-sanitize-recover=undefined)
        # Qt's own headers use member-function pointers across shared objects that vptr checks misjudge.
        list(APPEND _kw_san_flags -fno-sanitize=vptr)
    endif()
    add_compile_options(${_kw_san_flags})
    add_link_options(-fsanitize=${SANITIZE})
endif()
