# Optional dependencies. Each is looked for once, here; a feature that needs
# one is built when it is found and skipped with a message when it is not, so
# that the two programs build with a compiler and CMake alone.
#
# zarnel_optional_package(<Package> FOR <what it enables> GROUP <deps group>
#                          [HEADER <path> TARGET <target>] [find_package args...])
# sets ZARNEL_HAVE_<Package> to ON or OFF and says which group of
# tools/install-deps.sh brings the package when it is missing.
#
# HEADER and TARGET name a header-only package's main header (such as
# nlohmann/json.hpp) and its imported target. A cross build looks for
# packages in the target's root only, where Debian installs no header-only
# package; it takes the build machine's copy instead (the headers are the
# same for every target), through a folder in the build tree that holds the
# package's own header folder and nothing else, so that none of the build
# machine's C library headers reach the cross compiler.
function(zarnel_optional_package package)
    cmake_parse_arguments(ARG "" "FOR;GROUP;HEADER;TARGET" "" ${ARGN})
    find_package(${package} ${ARG_UNPARSED_ARGUMENTS} QUIET)
    if(${package}_FOUND)
        set(ZARNEL_HAVE_${package} ON PARENT_SCOPE)
        return()
    endif()
    if(CMAKE_CROSSCOMPILING AND ARG_HEADER)
        find_path(ZARNEL_HOST_${package}_INCLUDE_DIR ${ARG_HEADER}
                  PATHS /usr/include /usr/local/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
        if(ZARNEL_HOST_${package}_INCLUDE_DIR)
            string(REGEX REPLACE "/.*" "" folder ${ARG_HEADER})
            set(staged ${PROJECT_BINARY_DIR}/host-headers/${package})
            file(MAKE_DIRECTORY ${staged})
            file(CREATE_LINK ${ZARNEL_HOST_${package}_INCLUDE_DIR}/${folder} ${staged}/${folder}
                 SYMBOLIC COPY_ON_ERROR)
            add_library(${ARG_TARGET} INTERFACE IMPORTED GLOBAL)
            set_target_properties(${ARG_TARGET} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${staged})
            message(STATUS "Zarnel: ${package} for the cross build: the build machine's headers in "
                           "${ZARNEL_HOST_${package}_INCLUDE_DIR}/${folder}")
            set(ZARNEL_HAVE_${package} ON PARENT_SCOPE)
            return()
        endif()
    endif()
    set(ZARNEL_HAVE_${package} OFF PARENT_SCOPE)
    message(STATUS "Zarnel: ${package} not found; not building ${ARG_FOR} "
                   "(tools/install-deps.sh ${ARG_GROUP} installs it)")
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
