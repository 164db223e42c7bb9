# What "cmake --install" puts in place and "cpack -G DEB" packages: the
# programs (vantrel-ecusim only where the pseudo-terminal parts are built,
# VANTREL_WITH_PTY), the desktop entry, the icon, the AppStream metadata, the
# man pages (compressed), the user manual, the copyright file and the
# changelog. The man pages and the manual are made at build time under the
# build tree's share/, where the programs find them as they find them under an
# installed prefix.
include(GNUInstallDirs)

set(VANTREL_APP_ID "org.vantrel.Vantrel")
set(VANTREL_SHARE_DIR "${CMAKE_BINARY_DIR}/share")
set(VANTREL_DOC_INSTALL_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/vantrel")

set(VANTREL_PROGRAMS vantrel vantrelctl)
if(VANTREL_WITH_PTY)
    list(APPEND VANTREL_PROGRAMS vantrel-ecusim)
endif()

find_program(GZIP_PROGRAM gzip REQUIRED)

# Compresses a file made at build time as Debian wants its man pages and
# changelog: best compression, no name or time stamp inside.
function(vantrel_gzip input output_variable)
    set(output "${input}.gz")
    add_custom_command(OUTPUT "${output}"
        COMMAND "${GZIP_PROGRAM}" -9nkf "${input}"
        DEPENDS "${input}"
        VERBATIM)
    set(${output_variable} "${output}" PARENT_SCOPE)
endfunction()

# Man pages from each program's --help, so they never disagree with it.
set(man_pages)
foreach(page IN ITEMS
        "vantrel|monitor and tune an engine control unit on a serial port|"
        "vantrelctl|work with ECU data files, data logs and the ECU from the command line|--commands"
        "vantrel-ecusim|simulated engine control unit on a pseudo-terminal|")
    string(REPLACE "|" ";" fields "${page}")
    list(GET fields 0 program)
    list(GET fields 1 summary)
    list(GET fields 2 extra)
    if(NOT program IN_LIST VANTREL_PROGRAMS)
        continue()
    endif()
    set(output "${VANTREL_SHARE_DIR}/man/man1/${program}.1")
    add_custom_command(OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${VANTREL_SHARE_DIR}/man/man1"
        COMMAND vantrel-docgen man "${output}" ${program} ${PROJECT_VERSION} "${summary}"
                "$<TARGET_FILE:${program}>" ${extra}
        DEPENDS vantrel-docgen ${program}
        COMMENT "Man page of ${program}"
        VERBATIM)
    vantrel_gzip("${output}" compressed)
    list(APPEND man_pages "${compressed}")
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})

# The user manual: each page of docs/manual, Markdown turned into HTML by
# markdown_py (Debian's python3-markdown) when it is there, otherwise shown as
# its plain text; links between the pages point to their HTML.
set(manual_dir "${VANTREL_SHARE_DIR}/doc/vantrel/manual")
set(manual_pages index autotune)
set(manual_titles "Vantrel User Manual" "Vantrel User Manual: Autotune")
find_program(MARKDOWN_PY markdown_py)
if(NOT MARKDOWN_PY)
    message(STATUS "markdown_py not found: the manual is installed as plain text in HTML")
endif()
set(manual_html)
foreach(page title IN ZIP_LISTS manual_pages manual_titles)
    set(source "${PROJECT_SOURCE_DIR}/docs/manual/${page}.md")
    if(MARKDOWN_PY)
        set(body "${CMAKE_BINARY_DIR}/manual-${page}-body.html")
        add_custom_command(OUTPUT "${body}"
            COMMAND "${MARKDOWN_PY}" -x tables -x toc -x fenced_code -e utf-8
                    -f "${body}" "${source}"
            DEPENDS "${source}"
            COMMENT "Converting the manual's ${page} page to HTML"
            VERBATIM)
        set(body_option)
    else()
        set(body "${source}")
        set(body_option --preformatted)
    endif()
    add_custom_command(OUTPUT "${manual_dir}/${page}.html"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${manual_dir}"
        COMMAND vantrel-docgen html "${manual_dir}/${page}.html" "${title}" "${body}"
                ${body_option}
        DEPENDS vantrel-docgen "${body}"
        COMMENT "User manual: ${page}"
        VERBATIM)
    list(APPEND manual_html "${manual_dir}/${page}.html")
endforeach()
# The pictures the manual shows, beside it.
set(manual_pictures screenshot.png screenshot-review.png screenshot-scatter.png screenshot-hits.png
    screenshot-gauges.png screenshot-autotune.png)
list(TRANSFORM manual_pictures PREPEND "${PROJECT_SOURCE_DIR}/docs/" OUTPUT_VARIABLE picture_sources)
list(TRANSFORM manual_pictures PREPEND "${manual_dir}/" OUTPUT_VARIABLE picture_copies)
add_custom_command(OUTPUT ${picture_copies}
    COMMAND ${CMAKE_COMMAND} -E make_directory "${manual_dir}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${picture_sources} "${manual_dir}"
    DEPENDS ${picture_sources}
    COMMENT "User manual: pictures"
    VERBATIM)
add_custom_target(manual ALL DEPENDS ${manual_html} ${picture_copies})

# The changelog in Debian's format, of the version being built.
configure_file("${PROJECT_SOURCE_DIR}/data/changelog.in" "${VANTREL_SHARE_DIR}/changelog" @ONLY)
vantrel_gzip("${VANTREL_SHARE_DIR}/changelog" changelog)
add_custom_target(changelog ALL DEPENDS "${changelog}")

install(TARGETS ${VANTREL_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES "${PROJECT_SOURCE_DIR}/data/${VANTREL_APP_ID}.desktop"
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES "${PROJECT_SOURCE_DIR}/data/vantrel.svg"
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps
        RENAME "${VANTREL_APP_ID}.svg")
install(FILES "${PROJECT_SOURCE_DIR}/data/${VANTREL_APP_ID}.metainfo.xml"
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${manual_html} ${picture_copies}
        DESTINATION ${VANTREL_DOC_INSTALL_DIR}/manual)
install(FILES "${PROJECT_SOURCE_DIR}/data/copyright" "${changelog}"
        DESTINATION ${VANTREL_DOC_INSTALL_DIR})
