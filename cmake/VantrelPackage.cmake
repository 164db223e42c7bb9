# The Debian package; its dependencies are found by dpkg-shlibdeps from the
# libraries the programs link, and added to the ones named here: Qt SQL's
# SQLite driver is a plugin, loaded at run time, which no program links.
set(CPACK_PACKAGE_NAME "vantrel")
set(CPACK_PACKAGE_VENDOR "Vantrel developers")
set(VANTREL_PACKAGE_MAINTAINER "Vantrel developers <maintainers@vantrel.org>" CACHE STRING
    "Maintainer of the Debian package")
set(CPACK_PACKAGE_CONTACT "${VANTREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitor and tune an engine control unit over RS-232")
# The long description below the summary line, in lines short enough for
# Debian's tools; CPack indents them.
set(description_lines
    "Vantrel finds an aftermarket engine control unit (ECU) on a serial port,"
    "reads its settings, polls live engine values twice a second, logs and"
    "plots them, and sends every change of a setting to the ECU at once.")
if(VANTREL_WITH_PTY)
    list(APPEND description_lines
        "It comes with vantrelctl, a command-line tool for scripting, and"
        "vantrel-ecusim, a simulated ECU on a pseudo-terminal.")
else()
    list(APPEND description_lines "It comes with vantrelctl, a command-line tool for scripting.")
endif()
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${description_lines})
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
include(CPack)
