# Optional dependencies. Each is looked for once, here; a feature that needs
# one is built when it is found and skipped with a message when it is not, so
# that the two programs build with a compiler and CMake alone.
#
# zarnel_optional_package(<Package> FOR <what it enables> GROUP <deps group> [find_package args...])
# sets ZARNEL_HAVE_<Package> to ON or OFF and says which group of
# tools/install-deps.sh brings the package when it is missing.
function(zarnel_optional_package package)
    cmake_parse_arguments(ARG "" "FOR;GROUP" "" ${ARGN})
    find_package(${package} ${ARG_UNPARSED_ARGUMENTS} QUIET)
    if(${package}_FOUND)
        set(ZARNEL_HAVE_${package} ON PARENT_SCOPE)
    else()
        set(ZARNEL_HAVE_${package} OFF PARENT_SCOPE)
        message(STATUS "Zarnel: ${package} not found; not building ${ARG_FOR} "
                       "(tools/install-deps.sh ${ARG_GROUP} installs it)")
    endif()
endfunction()

# GoogleTest, for the test suite: an installed package, or (for cross builds,
# where the build machine's library does not fit the target) built here from
# the sources named by ZARNEL_GTEST_SOURCE_DIR, such as Debian's
# /usr/src/googletest.
function(zarnel_find_gtest)
    if(ZARNEL_GTEST_SOURCE_DIR)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        add_subdirectory(${ZARNEL_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        set(ZARNEL_HAVE_GTest ON PARENT_SCOPE)
        return()
    endif()
    zarnel_optional_package(GTest FOR "the test suite" GROUP test)
    set(ZARNEL_HAVE_GTest ${ZARNEL_HAVE_GTest} PARENT_SCOPE)
endfunction()
