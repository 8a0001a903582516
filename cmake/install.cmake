# Install rules and the CMake package:
#
#   find_package(Zarnel 0.2 CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE Zarnel::framework)
#
# Headers are installed under <prefix>/include/zarnel/<folder>/, and users
# include them as <zarnel/framework/parallel_ga.h>. Inside the tree the
# headers include each other as "framework/operator.h"; the installed copies
# say "zarnel/framework/operator.h" instead, so that only <prefix>/include
# goes on a user's include path and no folder named platform/ or run/ is put
# beside the user's own headers.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ZARNEL_CONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Zarnel)
set(ZARNEL_STAGED_INCLUDE_DIR ${PROJECT_BINARY_DIR}/include)
set_property(GLOBAL PROPERTY ZARNEL_INSTALLED_FOLDERS "")

# zarnel_install_library(<target> <folder> [COMPONENT <name>]): installs the
# static library <target> as Zarnel::<folder> with every header that <folder>
# holds; with COMPONENT, as an optional component of the package that a user
# asks for (find_package(Zarnel COMPONENTS <name>)).
function(zarnel_install_library target folder)
    cmake_parse_arguments(ARG "" "COMPONENT" "" ${ARGN})
    set_property(GLOBAL APPEND PROPERTY ZARNEL_INSTALLED_FOLDERS ${folder})
    if(ARG_COMPONENT)
        set_property(GLOBAL APPEND PROPERTY ZARNEL_INSTALLED_COMPONENTS ${ARG_COMPONENT})
        set_property(GLOBAL PROPERTY ZARNEL_COMPONENT_${ARG_COMPONENT}_TARGET ${target})
    else()
        set_property(GLOBAL APPEND PROPERTY ZARNEL_INSTALLED_TARGETS ${target})
    endif()
    set_target_properties(${target} PROPERTIES EXPORT_NAME ${folder})
    # The source root is the include root in the tree only; installed users
    # get <prefix>/include.
    get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
    set(interface "")
    foreach(dir IN LISTS dirs)
        if(dir STREQUAL PROJECT_SOURCE_DIR)
            set(dir "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>")
        endif()
        list(APPEND interface "${dir}")
    endforeach()
    list(APPEND interface "$<BUILD_INTERFACE:${ZARNEL_STAGED_INCLUDE_DIR}>"
        "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")
    set_property(TARGET ${target} PROPERTY INTERFACE_INCLUDE_DIRECTORIES "${interface}")
endfunction()

# Stages the installed form of every header of the installed folders in
# <build>/include/zarnel, rewriting the includes between them; a header that
# changes makes CMake stage it again.
function(zarnel_stage_headers)
    get_property(folders GLOBAL PROPERTY ZARNEL_INSTALLED_FOLDERS)
    list(JOIN folders "|" alternatives)
    foreach(folder IN LISTS folders)
        file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
        foreach(header IN LISTS headers)
            get_filename_component(name ${header} NAME)
            file(READ ${header} text)
            string(REGEX REPLACE "(#[ \t]*include[ \t]*\")(${alternatives})/" "\\1zarnel/\\2/" text "${text}")
            set(staged ${ZARNEL_STAGED_INCLUDE_DIR}/zarnel/${folder}/${name})
            file(WRITE ${staged}.tmp "${text}")
            # Copies only when the content changed, so nothing rebuilds for nothing.
            configure_file(${staged}.tmp ${staged} COPYONLY)
            file(REMOVE ${staged}.tmp)
            set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
        endforeach()
    endforeach()
endfunction()

# zarnel_package_dependency(<Package>): a package that an installed library
# links (even privately: the libraries are static), looked for again by
# find_package(Zarnel).
function(zarnel_package_dependency package)
    set_property(GLOBAL APPEND PROPERTY ZARNEL_PACKAGE_DEPENDENCIES ${package})
endfunction()

function(zarnel_install_package)
    get_property(targets GLOBAL PROPERTY ZARNEL_INSTALLED_TARGETS)
    # The warning flags are linked privately; the export needs the (empty for
    # users) target to resolve that link.
    set_target_properties(zarnel_warnings PROPERTIES EXPORT_NAME warnings)
    install(TARGETS zarnel_warnings ${targets} EXPORT ZarnelTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(TARGETS ZarnelNQueen ZarnelBench RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # The plot of a run record, for /usr/bin/python3 with python3-matplotlib
    # (or any python3 that has matplotlib).
    install(PROGRAMS ${PROJECT_SOURCE_DIR}/tools/plot_run.py DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME zarnel-plot-run)
    # Each optional component has an export set of its own, installed only
    # when it was built; the package's config loads it on request.
    get_property(components GLOBAL PROPERTY ZARNEL_INSTALLED_COMPONENTS)
    foreach(component IN LISTS components)
        get_property(target GLOBAL PROPERTY ZARNEL_COMPONENT_${component}_TARGET)
        install(TARGETS ${target} EXPORT Zarnel_${component}_Targets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
        install(EXPORT Zarnel_${component}_Targets NAMESPACE Zarnel:: DESTINATION ${ZARNEL_CONFIG_DIR})
    endforeach()
    # Folder by folder: the staging area may still hold folders that are no
    # longer part of the package.
    get_property(folders GLOBAL PROPERTY ZARNEL_INSTALLED_FOLDERS)
    foreach(folder IN LISTS folders)
        install(DIRECTORY ${ZARNEL_STAGED_INCLUDE_DIR}/zarnel/${folder} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zarnel)
    endforeach()
    install(EXPORT ZarnelTargets NAMESPACE Zarnel:: DESTINATION ${ZARNEL_CONFIG_DIR})

    get_property(ZARNEL_PACKAGE_DEPENDENCIES GLOBAL PROPERTY ZARNEL_PACKAGE_DEPENDENCIES)
    configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ZarnelConfig.cmake.in
        ${PROJECT_BINARY_DIR}/ZarnelConfig.cmake INSTALL_DESTINATION ${ZARNEL_CONFIG_DIR})
    # 0.x minor versions add to the interface and keep what they had, so a
    # project that asks for 0.2 builds against 0.3.
    write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZarnelConfigVersion.cmake
        COMPATIBILITY SameMajorVersion)
    install(FILES ${PROJECT_BINARY_DIR}/ZarnelConfig.cmake ${PROJECT_BINARY_DIR}/ZarnelConfigVersion.cmake
        DESTINATION ${ZARNEL_CONFIG_DIR})
endfunction()
