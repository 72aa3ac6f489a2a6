# The Debian package, made with CPack (scripts/package configures a Release
# tree with the /usr prefix and runs it). The dependencies on shared
# libraries are found by dpkg-shlibdeps.
set(QUILLET_PACKAGE_MAINTAINER "Quillet maintainers <maintainers@quillet.invalid>"
  CACHE STRING "The package's Maintainer field: name <address>")

# The package is native (its version has no Debian revision), so its
# changelog is /usr/share/doc/quillet/changelog.gz, in Debian's format, with
# one entry: this release.
execute_process(COMMAND date -u -R -d ${QUILLET_RELEASE_DATE}
  OUTPUT_VARIABLE release_date OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(data/debian-changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
execute_process(COMMAND gzip -9 -n -c ${PROJECT_BINARY_DIR}/debian/changelog
  OUTPUT_FILE ${PROJECT_BINARY_DIR}/debian/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${PROJECT_BINARY_DIR}/debian/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillet)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillet developers")
set(CPACK_PACKAGE_CONTACT "${QUILLET_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "headline patrol for Japanese news sites")
# Lines as they appear in the package's description (80 columns at most).
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Quillet downloads the front pages of seven Japanese news sites, on request"
  "or on a patrol timer while it sits in the tray, directly or through a proxy"
  "with basic authentication. It shows the headlines of the categories you"
  "enable in one list with their site and genre, records each in a log per"
  "category, lets you browse and search the logs and opens articles in your"
  "browser."
  ""
  "The package holds the window program, quillet, and the terminal program,"
  "quillet-cli, which fetches, searches and prints the logs for scripts and"
  "cron.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Japanese text needs a Japanese font; links open in the desktop's browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic, xdg-utils")

include(CPack)
