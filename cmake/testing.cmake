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
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
endfunction()
