# zarnel_add_test(name SOURCES file... [LIBS lib...] [TIMEOUT seconds] [LABELS label...])
# Builds one GoogleTest executable and registers each of its cases with ctest,
# each with a timeout so that a deadlock fails the case instead of hanging CI.
include(GoogleTest)
function(zarnel_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Zarnel::warnings)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    # A cross build cannot run the test program at build time; it lists the
    # cases when ctest starts, through the emulator (Wine).
    if(CMAKE_CROSSCOMPILING)
        set(mode PRE_TEST)
    else()
        set(mode POST_BUILD)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE ${mode}
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    zarnel_label_discovered_tests(${name} ${ARG_LABELS})
endfunction()

# Gives every case that gtest_discover_tests found in `binary` the labels.
# The discovery script writes property values unquoted, so a list of labels
# passed through it arrives split into separate properties; instead, a script
# that ctest includes after the discovered cases reads their names from the
# discovery output and sets the whole list on each.
function(zarnel_label_discovered_tests binary)
    if(NOT ARGN)
        return()
    endif()
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${binary}_labels.cmake)
    file(WRITE ${script} "\
file(GLOB discovered \"${CMAKE_CURRENT_BINARY_DIR}/${binary}*_tests.cmake\")
foreach(file IN LISTS discovered)
    file(STRINGS \"\${file}\" commands REGEX \"^add_test\\\\(\")
    foreach(command IN LISTS commands)
        if(command MATCHES \"^add_test\\\\(\\\\[=\\\\[(.*)\\\\]=\\\\] \")
            set_tests_properties(\"\${CMAKE_MATCH_1}\" PROPERTIES LABELS \"${ARGN}\")
        endif()
    endforeach()
endforeach()
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()
