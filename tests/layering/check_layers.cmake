# Checks that code calls only downwards (run by CTest in script mode):
#   cmake -DSOURCE_DIR=<tree> -DCHECK=sources -P check_layers.cmake
#   cmake -DCHECK=programs -DPROGRAMS=<file>;... -P check_layers.cmake
# "sources": the kernel and the window services include no framework header, the kernel no Qt header,
# and the driver channel and the configuration model nothing of the application shell or the pages.
# "programs": none of the given programs needs the window services or Qt at run time.

function(forbid folder pattern what)
    file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
    foreach(file ${files})
        file(STRINGS ${file} hits REGEX "${pattern}")
        foreach(hit ${hits})
            file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
            message(SEND_ERROR "${name} includes ${what}: ${hit}")
        endforeach()
    endforeach()
endfunction()

if(CHECK STREQUAL "sources")
    set(include "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    forbid(platform/kernel "${include}(afx|gwes/|Q[A-Za-z]*[>\"])" "a header of a higher layer")
    forbid(platform/gwes "${include}afx" "a framework header")
    foreach(folder driver config)
        forbid(${folder} "${include}([./]*app/|[./]*pages/|PPC_ui|PropertySheetEx)" "the application shell")
    endforeach()
elseif(CHECK STREQUAL "programs")
    foreach(program ${PROGRAMS})
        file(GET_RUNTIME_DEPENDENCIES EXECUTABLES ${program} RESOLVED_DEPENDENCIES_VAR found
             UNRESOLVED_DEPENDENCIES_VAR missing DIRECTORIES ${LIBRARY_DIR})
        foreach(library ${found} ${missing})
            get_filename_component(name ${library} NAME)
            if(name MATCHES "^lib(gwes|Qt)")
                message(SEND_ERROR "${program} needs ${name}")
            endif()
        endforeach()
    endforeach()
else()
    message(FATAL_ERROR "CHECK must be sources or programs")
endif()
