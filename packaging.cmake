# Installed files that belong to no single program, and the Debian package.

set(TAVORINEX_FOLDER_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Folders that the install creates take the installer's umask; these are
# made 0755 whatever it is, so that cups-driverd (user lp) lists the PPD,
# cupsd (user lp) runs the filter and man reads the pages.
foreach(folder ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_SBINDIR} ${TAVORINEX_CUPS_FILTER_DIR}
        ${CMAKE_INSTALL_DATAROOTDIR}/cups ${CMAKE_INSTALL_DATAROOTDIR}/cups/model
        ${CMAKE_INSTALL_DATAROOTDIR}/cups/model/tavorinex
        ${CMAKE_INSTALL_MANDIR}/man1 ${CMAKE_INSTALL_MANDIR}/man7 ${CMAKE_INSTALL_MANDIR}/man8)
  install(DIRECTORY DESTINATION ${folder} DIRECTORY_PERMISSIONS ${TAVORINEX_FOLDER_PERMISSIONS})
endforeach()

# The model PPD, where cups-driverd lists it (lpinfo -m) as
# tavorinex/TavorinexArcM750XLS.ppd, the name lpadmin -m takes.
install(FILES ppd/TavorinexArcM750XLS.ppd DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/cups/model/tavorinex
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The media catalog folder is a fixed path of both programs: root writes the
# catalogs, the filter (user lp) reads them. The Debian package leaves it
# out and makes it in its postinst instead (packaging/postinst).
install(DIRECTORY DESTINATION /usr/bin/Tavorinex DIRECTORY_PERMISSIONS ${TAVORINEX_FOLDER_PERMISSIONS}
        COMPONENT catalogfolder)

# The man pages' title lines carry the package's version (@PROJECT_VERSION@).
foreach(page bidi/bidiupdate.1 bidi/query/tavorinex-query.1 filter/psfilter.7 bidi/refresh/tavorinex-refresh.8)
  configure_file(${page} man/${page} @ONLY)
endforeach()
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/bidi/bidiupdate.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/bidi/query/tavorinex-query.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/filter/psfilter.7 DESTINATION ${CMAKE_INSTALL_MANDIR}/man7)

install(PROGRAMS bidi/refresh/tavorinex-refresh DESTINATION ${CMAKE_INSTALL_SBINDIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/bidi/refresh/tavorinex-refresh.8 DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
install(FILES bidi/refresh/tavorinex-refresh.service bidi/refresh/tavorinex-refresh.timer
        DESTINATION /lib/systemd/system)
install(FILES bidi/refresh/tavorinex-refresh.cron DESTINATION /etc/cron.d
        RENAME tavorinex-refresh)

# The Printer Application, when PAPPL was found: a package of its own.
if(TARGET tavorinex-printer-app)
  foreach(folder ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_MANDIR}/man8 /lib/systemd/system)
    install(DIRECTORY DESTINATION ${folder} DIRECTORY_PERMISSIONS ${TAVORINEX_FOLDER_PERMISSIONS}
            COMPONENT printerapp)
  endforeach()
  configure_file(printerapp/tavorinex-printer-app.8 man/printerapp/tavorinex-printer-app.8 @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/printerapp/tavorinex-printer-app.8
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man8 COMPONENT printerapp)
  install(FILES printerapp/tavorinex-printer-app.service DESTINATION /lib/systemd/system
          COMPONENT printerapp)
endif()

# One Debian package per component: "driver" is the CUPS support package,
# "printerapp" the Printer Application's (when PAPPL was found). The
# catalog folder's component is in neither.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL driver)
if(TARGET tavorinex-printer-app)
  list(APPEND CPACK_COMPONENTS_ALL printerapp)
endif()
set(CPACK_PACKAGE_NAME tavorinex-arc-m750xls)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tavorinex")
set(CPACK_PACKAGE_CONTACT "Tavorinex printer drivers <drivers@tavorinex.invalid>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# A component's description is its summary line, then the text.
set(CPACK_DEBIAN_DRIVER_PACKAGE_NAME tavorinex-arc-m750xls)
set(CPACK_DEBIAN_DRIVER_DESCRIPTION "CUPS support for the Tavorinex Arc M750XLS colour production printer
bidiupdate keeps a CUPS queue's PPD and media catalog in step with the printer over SNMP; psfilter is the queue's filter; errtext prints error texts.")
set(CPACK_DEBIAN_DRIVER_PACKAGE_DEPENDS "cups, cups-client")
set(CPACK_DEBIAN_DRIVER_PACKAGE_SUGGESTS "systemd | cron")
# The cron line is the administrator's to change: dpkg keeps it over
# upgrades and removes it on purge.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/conffiles "/etc/cron.d/tavorinex-refresh\n")
set(CPACK_DEBIAN_DRIVER_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/conffiles
    ${CMAKE_CURRENT_SOURCE_DIR}/packaging/postinst ${CMAKE_CURRENT_SOURCE_DIR}/packaging/postrm)

set(CPACK_DEBIAN_PRINTERAPP_PACKAGE_NAME tavorinex-printer-app)
set(CPACK_DEBIAN_PRINTERAPP_DESCRIPTION "IPP Everywhere Printer Application for the Tavorinex Arc M750XLS
tavorinex-printer-app serves the printer to IPP clients without a PPD, with the media, trays, finishings and colour profiles that the printer reports over SNMP. It runs as the systemd service tavorinex-printer-app.")
# libpappl1 comes from the program's libraries (shlibdeps). Ghostscript
# turns PDF jobs into PostScript; avahi-daemon announces the printers over
# DNS-SD.
set(CPACK_DEBIAN_PRINTERAPP_PACKAGE_DEPENDS ghostscript)
set(CPACK_DEBIAN_PRINTERAPP_PACKAGE_RECOMMENDS avahi-daemon)
set(CPACK_DEBIAN_PRINTERAPP_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/packaging/printerapp/postinst
    ${CMAKE_CURRENT_SOURCE_DIR}/packaging/printerapp/prerm ${CMAKE_CURRENT_SOURCE_DIR}/packaging/printerapp/postrm)
include(CPack)
