# What `cmake --install` puts under a prefix, and the Debian package made from it
# (scripts/package.sh): the two executables, the private toolkit library, the device root's
# template, the menu entry with its icon and AppStream data, the manual pages, the shell
# completion and the documentation. Tests, benchmarks and fuzz targets are not installed.

set(GLYPHWARD_MAINTAINER "Glyphward maintainers <maintainers@glyphward.example.org>" CACHE STRING "The package's maintainer, with an address")
set(GLYPHWARD_HOMEPAGE "https://glyphward.example.org/" CACHE STRING "The project's home page, ending in a slash")

# The release comes from the changelog's first entry, which must name the project's version; the
# manual pages and the AppStream data carry its date.
file(STRINGS "${PROJECT_SOURCE_DIR}/packaging/changelog" changelog_lines)
list(GET changelog_lines 0 changelog_head)
if(NOT changelog_head MATCHES "^glyphward \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog's first entry is not for version ${PROJECT_VERSION}: ${changelog_head}")
endif()
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "^ -- .*  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    set(day "${CMAKE_MATCH_1}")
    set(year "${CMAKE_MATCH_3}")
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND months "${CMAKE_MATCH_2}" month)
    math(EXPR month "${month} + 1")
    if(month LESS 10)
      set(month "0${month}")
    endif()
    set(GLYPHWARD_RELEASE_DATE "${year}-${month}-${day}")
    break()
  endif()
endforeach()
if(NOT GLYPHWARD_RELEASE_DATE)
  message(FATAL_ERROR "packaging/changelog's first entry has no trailer line with a date")
endif()

set(doc "${CMAKE_INSTALL_DATAROOTDIR}/doc/glyphward")
set(generated "${PROJECT_BINARY_DIR}/packaging")
file(MAKE_DIRECTORY "${generated}")

# Compressed as Debian wants them: gzip at its best, with no name or time inside.
function(glyphward_gzip source output)
  add_custom_command(OUTPUT "${output}"
    COMMAND gzip -9nc "${source}" > "${output}"
    DEPENDS "${source}"
    COMMENT "Compressing ${output}"
    VERBATIM)
endfunction()

set(man_pages)
foreach(tool glyphward-host glyphward-defaults)
  string(REPLACE "glyphward-" "" folder "${tool}")
  configure_file("${PROJECT_SOURCE_DIR}/apps/${folder}/${tool}.1.in" "${generated}/${tool}.1" @ONLY)
  glyphward_gzip("${generated}/${tool}.1" "${generated}/${tool}.1.gz")
  list(APPEND man_pages "${generated}/${tool}.1.gz")
endforeach()
glyphward_gzip("${PROJECT_SOURCE_DIR}/packaging/changelog" "${generated}/changelog.gz")

# The application icon: the SVG as it is, and drawn at the theme's usual sizes.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_svg "${PROJECT_SOURCE_DIR}/resources/desktop/org.glyphward.Glyphward.svg")
set(icon_sizes 16 22 24 32 48 64 128 256 512)
set(icon_pngs)
foreach(size IN LISTS icon_sizes)
  set(png "${generated}/icons/${size}/org.glyphward.Glyphward.png")
  add_custom_command(OUTPUT "${png}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${generated}/icons/${size}"
    COMMAND "${RSVG_CONVERT}" -w ${size} -h ${size} -o "${png}" "${icon_svg}"
    DEPENDS "${icon_svg}"
    COMMENT "Drawing the ${size}-pixel icon"
    VERBATIM)
  list(APPEND icon_pngs "${png}")
  install(FILES "${png}" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps")
endforeach()
install(FILES "${icon_svg}" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps")
add_custom_target(glyphward-package-files ALL DEPENDS ${man_pages} "${generated}/changelog.gz" ${icon_pngs})

configure_file("${PROJECT_SOURCE_DIR}/resources/desktop/org.glyphward.Glyphward.metainfo.xml.in"
               "${generated}/org.glyphward.Glyphward.metainfo.xml" @ONLY)
install(FILES "${PROJECT_SOURCE_DIR}/resources/desktop/org.glyphward.Glyphward.desktop" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/applications")
install(FILES "${generated}/org.glyphward.Glyphward.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/metainfo")
install(FILES ${man_pages} DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${PROJECT_SOURCE_DIR}/resources/completion/glyphward-host.bash" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions"
        RENAME glyphward-host)
install(FILES "${PROJECT_SOURCE_DIR}/resources/completion/glyphward-defaults.bash" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions"
        RENAME glyphward-defaults)
install(FILES "${PROJECT_SOURCE_DIR}/resources/completion/_glyphward" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/zsh/vendor-completions")

install(FILES README.md "${PROJECT_SOURCE_DIR}/packaging/copyright" "${generated}/changelog.gz" DESTINATION "${doc}")
install(FILES docs/tour.png DESTINATION "${doc}/docs")

# Last of all install rules (subdirectories install in place, before this), so the stamp covers
# every file of the template as installed, in both its folders.
install(CODE "include(\"${CMAKE_CURRENT_LIST_DIR}/TemplateStamp.cmake\")
glyphward_write_template_stamp(\"${PROJECT_VERSION}\" \"${GLYPHWARD_INSTALL_TEMPLATE}\" \"${GLYPHWARD_INSTALL_LIBRARY_TEMPLATE}\")")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glyphward)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${GLYPHWARD_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${GLYPHWARD_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${GLYPHWARD_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pattern lock in front of a demo messaging app")
# The long description, after the summary that CPack puts first; CPack indents its lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Glyphward is a pattern lock that a loader injects into a demo messaging
app when the app starts. At launch, and on return from the background
when the lock policy says so, a lock screen covers the app; the user
draws a path across a 3x3 grid of rings, and the right path hands the
screen back. A reset button replaces the pattern, and the sixth wrong
pattern in a row takes entry away for ten seconds.
.
glyphward-host runs the app in a window (it has a menu entry) or plays a
built-in tour headless; glyphward-defaults reads and writes the lock's
settings, property lists kept in each user's own device root under
~/.local/share/glyphward.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies come from the shared libraries the binaries link; fonts are what Pango draws the
# lock's texts with (Latin and Chinese).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The tweak links the private toolkit library by its soname; dpkg-shlibdeps finds it in the package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CPACK_PACKAGING_INSTALL_PREFIX}/${GLYPHWARD_INSTALL_PRIVATE_LIBDIR}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-wqy-microhei")
include(CPack)
