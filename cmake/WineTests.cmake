# Tests run under Wine in a prefix inside the build folder (never the home folder), of the
# architecture that the build targets.
set(VELMO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix of the tests")
if(VELMO_TARGET_ARCH STREQUAL "i686")
    set(VELMO_WINEARCH win32)
    set(VELMO_WINE_LOADER wine)
else()
    set(VELMO_WINEARCH win64)
    set(VELMO_WINE_LOADER /usr/lib/wine/wine64)
endif()

# `wine-run` runs one Windows program in the test prefix with the test environment.
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

# One CTest entry per test executable, inside the Wine fixture, with a time-out
# (a modal window that nobody closes would block forever).
#   velmo_add_gtest(NAME name SOURCES ... [LIBS ...] [TIMEOUT s] [DEPENDS target...])
# The GoogleTest program of a test entry (the arguments of the two functions below, parsed
# into T_*); T_TIMEOUT defaults to 120 s in the caller's scope.
macro(velmo_test_program)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    velmo_target_defaults(${T_NAME})
    velmo_unicode(${T_NAME})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} velmo_testsupport gmock gtest_main)
    if(T_DEPENDS)
        add_dependencies(${T_NAME} ${T_DEPENDS})
    endif()
endmacro()

function(velmo_add_gtest)
    velmo_test_program(${ARGN})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} FIXTURES_REQUIRED wine)
endfunction()

# Window tests: a program whose windows must really be drawn (screenshots) runs under Xvfb with
# Wine's X11 driver, in a prefix of its own copied from the window-test template, on a display
# of its own (tests/wine/window-run.sh), so that window tests run in parallel. Screenshots (PNG)
# stay in ${CMAKE_BINARY_DIR}/window-tests/<name>/screenshots.
#   velmo_add_window_test(NAME name SOURCES ... [LIBS ...] [TIMEOUT s] [DEPENDS target...])
# The program is a GoogleTest program like those of velmo_add_gtest; it saves screenshots with
# SaveScreenshot (tests/support/Screenshot.h).
set(VELMO_WINDOW_TEMPLATE ${CMAKE_BINARY_DIR}/wineprefix-x11)
function(velmo_add_window_test)
    velmo_test_program(${ARGN})
    target_link_libraries(${T_NAME} PRIVATE velmo_screenshot)
    add_test(NAME ${T_NAME}
             COMMAND bash ${PROJECT_SOURCE_DIR}/tests/wine/window-run.sh ${CMAKE_BINARY_DIR}/wine-run
                     ${VELMO_WINDOW_TEMPLATE} ${CMAKE_BINARY_DIR}/window-tests/${T_NAME} $<TARGET_FILE:${T_NAME}>
             WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} FIXTURES_REQUIRED wine_x11)
endfunction()
