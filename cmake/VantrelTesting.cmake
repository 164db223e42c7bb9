include(GoogleTest)

# vantrel_add_test(<name> SOURCES <files...> [LIBS <targets...>] [WIDGETS])
#
# Registers one GoogleTest executable; each test folder has one (and a second
# one for its widget tests, which need the widgets' test main), since linking
# many small executables against the static libraries dominates the build.
# Every test case runs as its own ctest entry, named after the folder, the
# suite and the case ("comm.DiscoveryTest.SilentLineGivesEcuNotFound...").
# The test main (tests/support) selects the offscreen platform plugin and
# gives the executable its own scratch folder as TMPDIR, HOME and
# XDG_CONFIG_HOME, so that no test touches a real user's settings.
function(vantrel_add_test name)
    cmake_parse_arguments(T "WIDGETS" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    if(T_WIDGETS)
        target_link_libraries(${name} PRIVATE vantrel_ui vantrel_test_main_ui)
    else()
        target_link_libraries(${name} PRIVATE vantrel_core vantrel_test_main_core)
    endif()
    # Most tests talk to the simulated ECU in process.
    target_link_libraries(${name} PRIVATE vantrel_sim)
    target_link_libraries(${name} PRIVATE vantrel_test_support GTest::gtest GTest::gmock ${T_LIBS})
    # Golden files and other inputs (tests/data).
    target_compile_definitions(${name} PRIVATE
        VANTREL_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    gtest_discover_tests(${name}
        TEST_PREFIX "${folder}."
        NO_PRETTY_VALUES # parameterised cases carry names of their own
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT 120)
endfunction()
