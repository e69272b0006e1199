# Test packages are built during the build from text sources kept in the repo.
set(VELMO_TESTDATA_DIR ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/data)
find_program(WIXL wixl)
find_program(MSIBUILD msibuild)

# velmo_add_package(TARGET name OUTPUT file.msi [WXS file.wxs] [IDT_DIR dir] [IDT table.idt...])
# Builds a real package with wixl from WXS (or an empty database when none is given), then adds
# the tables of the .idt files with msibuild, run from the idt folder because stream cells are read
# relative to it. Each .idt is named after its table and lists the primary-key columns first.
function(velmo_add_package)
    cmake_parse_arguments(P "" "TARGET;OUTPUT;WXS;IDT_DIR" "IDT" ${ARGN})
    set(out ${VELMO_TESTDATA_DIR}/${P_OUTPUT})
    set(cmds COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMO_TESTDATA_DIR}
             COMMAND ${CMAKE_COMMAND} -E rm -f ${out})
    set(deps)
    if(P_WXS)
        get_filename_component(wxs ${P_WXS} ABSOLUTE)
        get_filename_component(wxsdir ${wxs} DIRECTORY)
        # File sources are named relative to the .wxs file's folder.
        list(APPEND cmds COMMAND ${CMAKE_COMMAND} -E chdir ${wxsdir} ${WIXL} -o ${out} ${wxs})
        file(GLOB wxsfiles CONFIGURE_DEPENDS ${wxsdir}/*)
        list(APPEND deps ${wxsfiles})
    endif()
    if(P_IDT)
        get_filename_component(idtdir ${P_IDT_DIR} ABSOLUTE)
        set(imports)
        foreach(idt ${P_IDT})
            list(APPEND imports -i ${idt})
            list(APPEND deps ${idtdir}/${idt})
        endforeach()
        list(APPEND cmds COMMAND ${CMAKE_COMMAND} -E chdir ${idtdir} ${MSIBUILD} ${out} ${imports})
    endif()
    add_custom_command(OUTPUT ${out} ${cmds} DEPENDS ${deps} VERBATIM
                       COMMENT "Building test package ${P_OUTPUT}")
    add_custom_target(${P_TARGET} DEPENDS ${out})
endfunction()

# velmo_add_testfiles(TARGET name SOURCE_DIR dir DEST subdir): copies a folder of test files
# beside the test programs.
function(velmo_add_testfiles)
    cmake_parse_arguments(F "" "TARGET;SOURCE_DIR;DEST" "" ${ARGN})
    get_filename_component(src ${F_SOURCE_DIR} ABSOLUTE)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS ${src}/*)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${F_TARGET}.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${VELMO_TESTDATA_DIR}/${F_DEST}
        COMMAND ${CMAKE_COMMAND} -E copy_directory ${src} ${VELMO_TESTDATA_DIR}/${F_DEST}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${files} VERBATIM)
    add_custom_target(${F_TARGET} DEPENDS ${stamp})
endfunction()
