# HODRA_SANITIZE applies to every target of the tree, third-party code included,
# so that the runtime sees one consistent build.
if(HODRA_SANITIZE)
    add_compile_options(-fsanitize=${HODRA_SANITIZE} -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${HODRA_SANITIZE})
    # The clock helper's syscall filters admit the sanitizer runtime's own calls.
    add_compile_definitions(HODRA_SANITIZED)
    if(HODRA_SANITIZE MATCHES "undefined")
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
endif()
