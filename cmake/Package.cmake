# What the Linux program installs, and its Debian package (cpack -G DEB, run by
# `make package`). The program is installed under the name that says what it
# updates; the build keeps calling it `updater`.
include(GNUInstallDirs)
set(UPDATER_INSTALLED_NAME norva-mz5100p-updater)
set(UPDATER_PACKAGE_DOCS ${CMAKE_INSTALL_DATAROOTDIR}/doc/${UPDATER_INSTALLED_NAME})

install(PROGRAMS $<TARGET_FILE:updater> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME ${UPDATER_INSTALLED_NAME})
# A renamed program is not stripped by `cmake --install --strip` or CPack on
# their own.
install(CODE "
  set(program \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${UPDATER_INSTALLED_NAME}\")
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${program}\" RESULT_VARIABLE stripped)
    if(NOT stripped EQUAL 0)
      message(FATAL_ERROR \"cannot strip \${program}\")
    endif()
  endif()")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/60-updater-device.rules DESTINATION lib/udev/rules.d)

# On a desktop: the menu entry, the software centres' description, and the
# icon in each size the resource generator draws.
set(UPDATER_DESKTOP_ID example.norva.mz5100p_updater)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${UPDATER_DESKTOP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${UPDATER_DESKTOP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
foreach(size ${UPDATER_ICON_SIZES})
  install(FILES ${CMAKE_BINARY_DIR}/resources/icon-${size}.png DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${UPDATER_INSTALLED_NAME}.png)
endforeach()

# The manual page and the changelog, compressed as Debian wants them.
set(PACKAGE_OUT ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${PACKAGE_OUT})
add_custom_command(
  OUTPUT ${PACKAGE_OUT}/${UPDATER_INSTALLED_NAME}.1.gz ${PACKAGE_OUT}/changelog.gz
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/${UPDATER_INSTALLED_NAME}.1
          > ${PACKAGE_OUT}/${UPDATER_INSTALLED_NAME}.1.gz
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${PACKAGE_OUT}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${UPDATER_INSTALLED_NAME}.1 ${PROJECT_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(updater_package_files ALL
  DEPENDS ${PACKAGE_OUT}/${UPDATER_INSTALLED_NAME}.1.gz ${PACKAGE_OUT}/changelog.gz)
install(FILES ${PACKAGE_OUT}/${UPDATER_INSTALLED_NAME}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright ${PACKAGE_OUT}/changelog.gz
        DESTINATION ${UPDATER_PACKAGE_DOCS})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${UPDATER_INSTALLED_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}.0)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_CONTACT "Norva Imaging Corporation <support@norva.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "master controller firmware updater for the NORVA TELIX MZ 5100P")
set(CPACK_PACKAGE_DESCRIPTION
    "Updates the firmware of the master controller of the NORVA TELIX MZ 5100P\n"
    "multifunction device (printer, scanner, fax) over USB, with a wizard on the\n"
    "terminal in 19 languages, with a menu entry for the desktop. The firmware\n"
    "image travels inside the program.\n"
    "A udev rule lets the user at the seat open the device.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # the library dependencies, from the program itself
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst ${PROJECT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
