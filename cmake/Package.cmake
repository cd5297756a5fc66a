# Debian packages with CPack, one per install component: "zuneigo" (component zuneigo)
# and "zuneigo-service" (component service). `cpack -G DEB` in the build folder makes
# zuneigo_1.0.0_amd64.deb and zuneigo-service_1.0.0_amd64.deb; dpkg-shlibdeps works out
# the library dependencies from the binaries.
set(CPACK_PACKAGE_NAME zuneigo)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_VENDOR "Zuneigo maintainers")
set(CPACK_PACKAGE_CONTACT "Zuneigo maintainers <maintainers@zuneigo.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL zuneigo service)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_ZUNEIGO_PACKAGE_NAME zuneigo)
set(CPACK_DEBIAN_ZUNEIGO_PACKAGE_SECTION net)
set(CPACK_DEBIAN_ZUNEIGO_DESCRIPTION
  "Partnersuche: Kontaktanzeigen aufgeben und suchen / personal ads client
Zuneigo ist ein Programm zur Partnersuche: Es sendet eine Kontaktanzeige an
den Dienst, lädt die Anzeigen des Dienstes herunter und sucht darin nach
Geschlecht, Alter und Umkreis um einen Punkt auf der Deutschlandkarte.
.
Zuneigo is a German-language desktop client for a personal-ads service: it
submits the user's own ad, downloads the service's ad database and searches it
by gender, age range and a radius around a point on a map of Germany. The
package also holds the command-line tools zuneigo-fetch (HTTP/1.0 downloads),
zuneigo-search (the same search for scripts) and zuneigo-gifdump (GIF
pictures read as the program reads them).")

# Read at run time, so dpkg-shlibdeps cannot see them: the toolkit's German button texts
# and the sans-serif face every caption is measured for.
set(CPACK_DEBIAN_ZUNEIGO_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation2")

set(CPACK_DEBIAN_SERVICE_PACKAGE_NAME zuneigo-service)
set(CPACK_DEBIAN_SERVICE_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVICE_DESCRIPTION
  "Dienst für Zuneigo-Kontaktanzeigen / Zuneigo personal ads web service
zuneigo-service ist der Webserver des Zuneigo-Dienstes: Er liefert die
Anzeigendatenbank aus und nimmt neue Anzeigen an, geschützt durch
Basic-Anmeldedaten.
.
zuneigo-service is the web server the Zuneigo client talks to: it serves the
ad database file, stores submitted ads (each one flushed to disk before it is
acknowledged) and shows a small home page. The package runs it as a locked-down
systemd service with its data in /var/lib/zuneigo, set up through
/etc/default/zuneigo-service, and holds an nginx configuration as an example
for serving downloads in front of it.")
# The settings file is the administrator's: an upgrade keeps the edited one.
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/conffiles)
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# copyright and changelog, which every Debian package carries in its documentation folder.
set(zuneigo_changelog ${CMAKE_BINARY_DIR}/share/changelog.gz)
add_custom_command(OUTPUT ${zuneigo_changelog}
  COMMAND gzip -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/debian/changelog > ${zuneigo_changelog}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
  COMMENT "Compressing the package changelog")
add_custom_target(zuneigo_changelog ALL DEPENDS ${zuneigo_changelog})
foreach(component IN ITEMS zuneigo service)
  set(package zuneigo)
  if(component STREQUAL "service")
    set(package zuneigo-service)
  endif()
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${zuneigo_changelog}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endforeach()

include(CPack)
