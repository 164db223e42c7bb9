# Warning flags for the project's own targets only, so that code pulled in
# from elsewhere (FetchContent, bundled sources) keeps its own flags.

# vantrel_enable_warnings(<target>)
function(vantrel_enable_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra)
    endif()
endfunction()

# vantrel_enable_warnings_in(<dir>...)
#
# Applies vantrel_enable_warnings to every compiled target defined in the
# given source folders and their subfolders. Called once at the end of the
# top-level CMakeLists.txt, so that a new target gets the flags without
# anyone having to remember it.
function(vantrel_enable_warnings_in)
    foreach(dir IN LISTS ARGN)
        get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            get_target_property(type ${target} TYPE)
            if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
                vantrel_enable_warnings(${target})
            endif()
        endforeach()
        get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
        if(subdirs)
            vantrel_enable_warnings_in(${subdirs})
        endif()
    endforeach()
endfunction()
