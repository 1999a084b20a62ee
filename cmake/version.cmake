# The program's version, "major.minor.patch", lives in the file VERSION and
# nowhere else. From it come the version resource and the manifest of
# Kestro.exe (app/res/*.in), the installer's version and file name and its
# uninstall entry (cmake/package.cmake), and the version line of README.md,
# which configuring checks. The login form's "clientver" is a separate
# constant (KESTRO_CLIENT_VERSION in cmake/deployment.cmake).
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/VERSION ${PROJECT_SOURCE_DIR}/README.md)

if(NOT KESTRO_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "VERSION must hold one line \"major.minor.patch\", not \"${KESTRO_VERSION}\"")
endif()
# Windows versions have four numbers; the fourth is always 0.
set(KESTRO_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(KESTRO_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")

# README.md names the version in a line of its own: "Version 3.0.1".
file(STRINGS ${PROJECT_SOURCE_DIR}/README.md readme_version_lines REGEX "^Version [0-9]+\\.[0-9]+\\.[0-9]+")
if(NOT readme_version_lines MATCHES "^Version ([0-9]+\\.[0-9]+\\.[0-9]+)")
  message(FATAL_ERROR "README.md has no line \"Version ${KESTRO_VERSION}\"")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL KESTRO_VERSION)
  message(FATAL_ERROR "README.md says \"Version ${CMAKE_MATCH_1}\" but VERSION holds ${KESTRO_VERSION}: "
                      "change the README's version line to \"Version ${KESTRO_VERSION}\"")
endif()
