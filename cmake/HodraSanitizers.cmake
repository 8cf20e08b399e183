# HODRA_SANITIZE applies to every target of the tree, third-party code included,
# so that the runtime sees one consistent build.
if(HODRA_SANITIZE)
    add_compile_options(-fsanitize=${HODRA_SANITIZE} -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${HODRA_SANITIZE})
    if(HODRA_SANITIZE MATCHES "undefined")
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
endif()
