# Run at install time: writes the stamp that tells a user's device root which template it was
# made from, the package's version and a hash over the names and contents of the template's files
# as installed (stripped, run paths rewritten), in both of its folders. A root whose stamp differs
# is refreshed. The stamp lives in the first folder.
function(glyphward_write_template_stamp version template)
  set(listing "")
  foreach(folder IN LISTS ARGN ITEMS "${template}")
    set(dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${folder}")
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${dir}" "${dir}/*")
    list(REMOVE_ITEM files ".glyphward-template")
    list(SORT files)
    foreach(file IN LISTS files)
      file(SHA256 "${dir}/${file}" hash)
      string(APPEND listing "${hash}  ${file}\n")
    endforeach()
  endforeach()
  string(SHA256 digest "${listing}")
  set(stamp "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${template}/.glyphward-template")
  message(STATUS "Installing: ${stamp}")
  file(WRITE "${stamp}" "glyphward ${version}\n${digest}\n")
  set(CMAKE_INSTALL_MANIFEST_FILES ${CMAKE_INSTALL_MANIFEST_FILES} "${stamp}" PARENT_SCOPE)
endfunction()
