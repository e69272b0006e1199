# Compile settings shared by every target of the project's own code.

# Warnings as errors, hardware faults as C++ exceptions, Windows 7 headers.
function(velmo_target_defaults target)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Werror -fnon-call-exceptions>
        # No build path in the program: texts of the compiler (assertions) name sources relative
        # to the project.
        $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>
        $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>)
    target_compile_definitions(${target} PRIVATE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
endfunction()

# Wide-character build: `wWinMain`, wide Windows API.
function(velmo_unicode target)
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE)
endfunction()

# A resource-only module (language modules): windres the .rc, link without code or entry point.
function(velmo_add_resource_module target rcfile)
    add_library(${target} SHARED ${rcfile})
    set_target_properties(${target} PROPERTIES PREFIX "" LINKER_LANGUAGE C)
    target_link_options(${target} PRIVATE -nostdlib -nostartfiles -Wl,-e,0)
endfunction()
