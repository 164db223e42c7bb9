# The libraries of the layers, and include paths that keep each layer's
# headers out of reach of the layers below it.
#
# No library sees src/ as a whole. Each has an include root of its own in the
# build tree, layers/<library>, holding a forwarding header for every header
# of the library under its folder's name ("record/EcuSettings.h" includes
# src/record/EcuSettings.h). A library sees its own root and the roots of the
# libraries it links, so a header of a layer above it, or a window's header in
# a feature folder, is not found: an include that runs the wrong way fails to
# compile.

set(VANTREL_LAYER_ROOT "${CMAKE_BINARY_DIR}/layers")
set_property(GLOBAL PROPERTY VANTREL_LAYER_HEADERS "")

# vantrel_add_layer(<library> [LINKS <libraries...>])
#
# A static library of a layer; what it links, and their roots, are public.
function(vantrel_add_layer library)
    cmake_parse_arguments(L "" "" "LINKS" ${ARGN})
    add_library(${library} STATIC)
    target_include_directories(${library} PUBLIC
        "$<BUILD_INTERFACE:${VANTREL_LAYER_ROOT}/${library}>")
    target_link_libraries(${library} PUBLIC ${L_LINKS})
endfunction()

# vantrel_layer_sources(<library> <files...>)
#
# Adds files of the current folder under src/ to a layer's library. A .cpp
# brings the header of its name when there is one; a header without a .cpp
# is named on its own. Those headers are what the library offers the layers
# above it: a header left out cannot be included from another folder.
function(vantrel_layer_sources library)
    cmake_path(RELATIVE_PATH CMAKE_CURRENT_SOURCE_DIR BASE_DIRECTORY "${PROJECT_SOURCE_DIR}/src"
        OUTPUT_VARIABLE folder)
    foreach(file IN LISTS ARGN)
        if(file MATCHES "\\.h$")
            set(header "${file}")
        else()
            string(REGEX REPLACE "\\.[^.]+$" ".h" header "${file}")
            if(NOT EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${header}")
                set(header "")
            endif()
        endif()
        target_sources(${library} PRIVATE "${file}" ${header})
        if(header)
            set(forward "${VANTREL_LAYER_ROOT}/${library}/${folder}/${header}")
            # Written only when its text changes, so that configuring again
            # rebuilds nothing.
            file(CONFIGURE OUTPUT "${forward}"
                CONTENT "#include \"${CMAKE_CURRENT_SOURCE_DIR}/${header}\"\n" @ONLY)
            set_property(GLOBAL APPEND PROPERTY VANTREL_LAYER_HEADERS "${forward}")
        endif()
    endforeach()
endfunction()

# vantrel_prune_layer_roots()
#
# Removes the forwarding headers that no library offers any more (a header
# moved to another layer, or deleted). Called once, after every folder.
function(vantrel_prune_layer_roots)
    get_property(offered GLOBAL PROPERTY VANTREL_LAYER_HEADERS)
    file(GLOB_RECURSE present LIST_DIRECTORIES false "${VANTREL_LAYER_ROOT}/*")
    foreach(file IN LISTS present)
        if(NOT file IN_LIST offered)
            file(REMOVE "${file}")
        endif()
    endforeach()
endfunction()
