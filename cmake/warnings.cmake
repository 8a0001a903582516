# Warning flags shared by every target, linked privately.
add_library(zarnel_warnings INTERFACE)
add_library(Zarnel::warnings ALIAS zarnel_warnings)
if(MSVC)
    target_compile_options(zarnel_warnings INTERFACE /W4 $<$<BOOL:${ZARNEL_WERROR}>:/WX>)
else()
    target_compile_options(zarnel_warnings INTERFACE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
        $<$<CXX_COMPILER_ID:GNU>:-Wsuggest-override>
        $<$<BOOL:${ZARNEL_WERROR}>:-Werror>)
endif()
