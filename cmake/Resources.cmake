# Resource scripts (.rc) compiled by windres into the binary .res format and embedded into a module.
#
#   qn40_add_resources(<target> <script.rc> [INCLUDES <dir>...])
#
# The script is preprocessed by the host's C preprocessor with RC_INVOKED defined and the platform's
# headers (winres.h, afxres.h, ...) on the include path; UTF-8 scripts start with #pragma code_page(65001).
# The .res image is embedded under the exported symbols qn40_resources / qn40_resources_size, where the
# kernel's resource reader finds it from the module's handle (GetModuleHandleW(NULL) for a program,
# LoadLibraryW for a DLL). One script per module.

find_program(QN40_WINDRES NAMES x86_64-w64-mingw32-windres windres REQUIRED)
find_program(QN40_RC_CPP NAMES cpp REQUIRED)

function(qn40_add_resources target script)
    cmake_parse_arguments(RES "" "" "INCLUDES" ${ARGN})
    get_filename_component(script "${script}" ABSOLUTE)
    get_filename_component(name "${script}" NAME_WE)
    set(outdir "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources")
    set(res "${outdir}/${name}.res")
    set(gen "${outdir}/${name}_res.cpp")
    file(MAKE_DIRECTORY "${outdir}")

    set(includes)
    foreach(dir ${RES_INCLUDES} "${CMAKE_CURRENT_SOURCE_DIR}" "${CMAKE_SOURCE_DIR}/platform/include")
        get_filename_component(dir "${dir}" ABSOLUTE)
        list(APPEND includes "-I${dir}")
    endforeach()

    add_custom_command(
        OUTPUT "${res}"
        COMMAND "${QN40_RC_CPP}" -DRC_INVOKED ${includes} -M -MT "${res}" -MF "${res}.d" "${script}"
        COMMAND "${QN40_WINDRES}" "--preprocessor=${QN40_RC_CPP}" --preprocessor-arg=-DRC_INVOKED ${includes}
                -i "${script}" -O res -o "${res}"
        DEPENDS "${script}"
        DEPFILE "${res}.d"
        COMMENT "Compiling resources ${name}.rc"
        VERBATIM)

    string(REPLACE "\\" "\\\\" incbin "${res}")
    string(REPLACE "\"" "\\\"" incbin "${incbin}")
    file(CONFIGURE OUTPUT "${gen}" CONTENT "// Generated from ${name}.rc: the module's resources.
__asm__(\".section .rodata.qn40_resources,\\\"a\\\",@progbits\\n\"
        \".globl qn40_resources\\n\"
        \".type qn40_resources, @object\\n\"
        \".balign 16\\n\"
        \"qn40_resources:\\n\"
        \".incbin \\\"${incbin}\\\"\\n\"
        \"qn40_resources_end:\\n\"
        \".size qn40_resources, qn40_resources_end - qn40_resources\\n\"
        \".globl qn40_resources_size\\n\"
        \".type qn40_resources_size, @object\\n\"
        \".balign 8\\n\"
        \"qn40_resources_size:\\n\"
        \".quad qn40_resources_end - qn40_resources\\n\"
        \".size qn40_resources_size, 8\\n\"
        \".previous\\n\");
" @ONLY)
    set_source_files_properties("${gen}" PROPERTIES OBJECT_DEPENDS "${res}" GENERATED TRUE)
    target_sources(${target} PRIVATE "${gen}")

    # A program exports the two symbols so that GetProcAddress on its own handle finds them.
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        target_link_options(${target} PRIVATE "LINKER:--export-dynamic-symbol=qn40_resources"
                            "LINKER:--export-dynamic-symbol=qn40_resources_size")
    endif()
endfunction()
