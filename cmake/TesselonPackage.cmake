# Installation layout of the two programs and their desktop integration, and the
# Debian package CPack makes of it (scripts/package). The package's dependencies on
# shared libraries come from dpkg-shlibdeps; what the programs load at run time without
# linking it (fonts, Qt's platform plugins, the opener) is listed here.
include(GNUInstallDirs)

set(TESSELON_APP_ID com.halvrenlabs.Tesselon)
set(packaging ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS tesselon tesselon-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging}/${TESSELON_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/${TESSELON_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging}/icons/tesselon.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256 512)
  install(FILES ${packaging}/icons/tesselon_${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tesselon.png)
endforeach()
# The manual pages and the completion name the formats of the program's own table:
# format_lists fills them in from their templates.
add_executable(format_lists ${packaging}/format_lists.cpp ${packaging}/roff_text.cpp)
target_link_libraries(format_lists PRIVATE tesselon_runtime)
# The settings file's page comes from the tables the settings code reads.
add_executable(settings_manual ${packaging}/settings_manual.cpp ${packaging}/roff_text.cpp)
target_link_libraries(settings_manual PRIVATE tesselon_settings)
set(completion ${CMAKE_BINARY_DIR}/bash-completion/tesselon-batch)
add_custom_command(OUTPUT ${completion}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bash-completion
                   COMMAND format_lists ${packaging}/bash-completion/tesselon-batch.in ${completion}
                   DEPENDS format_lists ${packaging}/bash-completion/tesselon-batch.in)
add_custom_target(shell_completion ALL DEPENDS ${completion})
install(FILES ${completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Manual pages are installed compressed, without a name or time stamp in the gzip
# header so that the package is the same from one build to the next.
set(man_pages)
foreach(page tesselon tesselon-batch)
  set(filled ${CMAKE_BINARY_DIR}/man/${page}.1)
  set(compressed ${filled}.gz)
  add_custom_command(OUTPUT ${compressed}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
                     COMMAND format_lists ${packaging}/man/${page}.1.in ${filled}
                     COMMAND gzip -9nc ${filled} > ${compressed}
                     DEPENDS format_lists ${packaging}/man/${page}.1.in)
  list(APPEND man_pages ${compressed})
endforeach()
set(settings_page ${CMAKE_BINARY_DIR}/man/tesselon.cfg.5)
add_custom_command(OUTPUT ${settings_page}.gz
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
                   COMMAND settings_manual ${packaging}/man/tesselon.cfg.5.in ${settings_page}
                   COMMAND gzip -9nc ${settings_page} > ${settings_page}.gz
                   DEPENDS settings_manual ${packaging}/man/tesselon.cfg.5.in)
add_custom_target(manual_pages ALL DEPENDS ${man_pages} ${settings_page}.gz)
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${settings_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man5)

# The copyright file (machine-readable) and the changelog Debian asks every package to
# carry; the changelog compressed like the manual pages.
set(changelog ${CMAKE_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${changelog}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
                   COMMAND gzip -9nc ${packaging}/doc/changelog > ${changelog}
                   DEPENDS ${packaging}/doc/changelog)
add_custom_target(package_documents ALL DEPENDS ${changelog})
install(FILES ${packaging}/doc/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tesselon)

# scripts/package builds what is installed; installing does not build the tests too.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tesselon)
set(CPACK_PACKAGE_VERSION 0.3f)
set(CPACK_PACKAGE_VENDOR "Halvren Labs")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch image converter: desktop program and command-line tool")
# The extended description, wrapped for dpkg's 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tesselon applies the same treatment to every JPG, PNG, GIF, WebP, AVIF and\n"
  "HEIC image of a folder, on the local disk or on an FTP server: contrast,\n"
  "mirroring, grey scale, inversion, tint, rotation by any angle, resizing and a\n"
  "block of text such as a watermark. Results keep the folder structure and are\n"
  "saved in the chosen format (JPG, PNG, GIF, WebP or AVIF) and quality.\n"
  "\n"
  "The package holds the desktop program tesselon (Spanish interface, with a\n"
  "preview) and tesselon-batch, which runs the same conversions from a terminal\n"
  "on every core.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tesselon developers <tesselon@halvrenlabs.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time: Qt's X11 platform plugin and its Spanish texts, the fonts the
# text overlay asks fontconfig for (Arial and Calibri resolve to Liberation Sans and
# Carlito; DejaVu is the fallback and the interface font), and xdg-open for documents
# and folders.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-liberation2, fonts-crosextra-carlito, fonts-dejavu-core, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# Copies of these serve as wget.dat and aria2.dat in the program folder.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wget, aria2")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

# The watch as a systemd user service; its instance names a settings file.
install(FILES ${packaging}/systemd/tesselon-watch@.service DESTINATION lib/systemd/user)
