# Sanitizer builds apply to every target, libraries and tests alike, so that
# instrumented and uninstrumented code never mix.
if(ZARNEL_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
elseif(ZARNEL_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -O1 -g)
    add_link_options(-fsanitize=thread)
elseif(NOT ZARNEL_SANITIZE STREQUAL "")
    message(FATAL_ERROR "ZARNEL_SANITIZE must be empty, 'address' or 'thread', not '${ZARNEL_SANITIZE}'")
endif()
