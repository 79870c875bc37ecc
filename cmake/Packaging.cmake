# What `cmake --install` puts under a prefix, and the Debian package made from it
# (scripts/package.sh): the two executables, the private toolkit library, the device root's
# template and the README. Tests, benchmarks and fuzz targets are not installed.

install(FILES README.md DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/glyphward")
install(FILES docs/tour.png DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/glyphward/docs")

# Last of all install rules (subdirectories install in place, before this), so the stamp covers
# every file of the template as installed.
install(CODE "include(\"${CMAKE_CURRENT_LIST_DIR}/TemplateStamp.cmake\")
glyphward_write_template_stamp(\"${GLYPHWARD_INSTALL_TEMPLATE}\" \"${PROJECT_VERSION}\")")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glyphward)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Glyphward developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pattern lock injected into a demo host app")
set(CPACK_PACKAGE_DESCRIPTION "A 3x3 pattern lock that a loader injects into a demo messaging app at start.
glyphward-host runs the app in a window or headless; glyphward-defaults reads
and writes its settings. Each user gets a device root of their own under
~/.local/share/glyphward/root, made from the template in /usr/share/glyphward.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Dependencies come from the shared libraries the binaries link; fonts are what Pango draws the
# lock's texts with (Latin and Chinese).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The tweak links the private toolkit library by its soname; dpkg-shlibdeps finds it in the package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CPACK_PACKAGING_INSTALL_PREFIX}/${GLYPHWARD_INSTALL_PRIVATE_LIBDIR}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-wqy-microhei")
include(CPack)
