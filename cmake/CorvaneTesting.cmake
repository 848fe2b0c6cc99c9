# corvane_gtest(NAME SOURCES ... LIBS ...): one GoogleTest program registered as one ctest test.
# In the Windows build ctest runs it under Wine through the cross-compiling emulator.
function(corvane_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
    if(WIN32)
        # Test programs are console programs; the libraries they test may be GUI code.
        target_link_options(${name} PRIVATE -mconsole)
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
endfunction()
