# Installed files that belong to no single program, and the Debian package.

# The model PPD, where cups-driverd lists it (lpinfo -m) and lpadmin -m finds it.
install(FILES ppd/TavorinexArcM750XLS.ppd DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/ppd/tavorinex
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The media catalog folder is a fixed path of both programs: root writes the
# catalogs, the filter (user lp) reads them.
install(DIRECTORY DESTINATION /usr/bin/Tavorinex
        DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                              GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(FILES bidi/bidiupdate.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES filter/psfilter.7 DESTINATION ${CMAKE_INSTALL_MANDIR}/man7)

install(PROGRAMS bidi/refresh/tavorinex-refresh DESTINATION ${CMAKE_INSTALL_SBINDIR})
install(FILES bidi/refresh/tavorinex-refresh.service bidi/refresh/tavorinex-refresh.timer
        DESTINATION /lib/systemd/system)
install(FILES bidi/refresh/tavorinex-refresh.cron DESTINATION /etc/cron.d
        RENAME tavorinex-refresh)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavorinex-arc-m750xls)
set(CPACK_PACKAGE_VENDOR "Tavorinex")
set(CPACK_PACKAGE_CONTACT "Tavorinex printer drivers <drivers@tavorinex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CUPS support for the Tavorinex Arc M750XLS colour production printer")
set(CPACK_PACKAGE_DESCRIPTION "bidiupdate keeps a CUPS queue's PPD and media catalog in step with the printer over SNMP; psfilter is the queue's filter; errtext prints error texts.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "cups, cups-client")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "systemd | cron")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
