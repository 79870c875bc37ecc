# Layers whose includes point down only, and the compiler holds them to it.
#
# Every include is written from the source root ("platform/ui/UIView.h"), so the source root
# itself is no include path for a layer. Each layer instead gets a folder of its own in the
# build tree that holds one link, named as its folder is under the source root, to that
# folder. A layer's include path is its own such folder and, passed on by PUBLIC links, the
# folders of the layers it names; a header of any other layer is not there to be found.

set(GLYPHWARD_LAYER_VIEWS "${CMAKE_BINARY_DIR}/layers")

# Makes <view>/<path> a link to <source root>/<path>, the folder or file a layer's includes name.
function(glyphward_layer_link view path)
  set(link "${GLYPHWARD_LAYER_VIEWS}/${view}/${path}")
  get_filename_component(parent "${link}" DIRECTORY)
  file(MAKE_DIRECTORY "${parent}")
  if(IS_SYMLINK "${link}")
    file(REMOVE "${link}")
  endif()
  file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${path}" "${link}" SYMBOLIC)
endfunction()

# glyphward_layer(<name> FOLDER <path from the source root> [BELOW <layers>...]
#                 [LIBRARIES <private libraries>...] SOURCES <sources>...)
#
# An object library glyphward-layer-<name> built from the sources, which sees its own folder
# and the folders of the layers BELOW it (those layers' own lower layers come with them). The
# LIBRARIES are its own: their headers are visible to this layer alone.
function(glyphward_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "FOLDER" "BELOW;LIBRARIES;SOURCES")
  if(NOT arg_FOLDER OR NOT arg_SOURCES)
    message(FATAL_ERROR "glyphward_layer(${name}) needs a FOLDER and SOURCES")
  endif()
  glyphward_layer_link(${name} "${arg_FOLDER}")
  set(target glyphward-layer-${name})
  add_library(${target} OBJECT ${arg_SOURCES})
  target_include_directories(${target} PUBLIC "${GLYPHWARD_LAYER_VIEWS}/${name}")
  foreach(below IN LISTS arg_BELOW)
    target_link_libraries(${target} PUBLIC glyphward-layer-${below})
  endforeach()
  target_link_libraries(${target} PRIVATE glyphward_warnings ${arg_LIBRARIES})
  set_property(GLOBAL APPEND PROPERTY GLYPHWARD_LAYERS ${name})
  glyphward_note_layer_sources("${arg_FOLDER}" ${arg_SOURCES})
endfunction()

# Notes the sources a layer's folder builds, so that a test can tell a file left out of every
# list (which would otherwise go silently unbuilt) from one that is built.
function(glyphward_note_layer_sources folder)
  foreach(source IN LISTS ARGN)
    if(NOT IS_ABSOLUTE "${source}")
      set(source "${CMAKE_CURRENT_SOURCE_DIR}/${source}")
    endif()
    file(RELATIVE_PATH source "${PROJECT_SOURCE_DIR}" "${source}")
    set_property(GLOBAL APPEND PROPERTY GLYPHWARD_LAYER_SOURCES "${source}")
  endforeach()
  set_property(GLOBAL APPEND PROPERTY GLYPHWARD_LAYER_FOLDERS "${folder}")
endfunction()

# The folders of the named layers, as a consumer's include path.
function(glyphward_layer_views out)
  set(views)
  foreach(name IN LISTS ARGN)
    list(APPEND views "${GLYPHWARD_LAYER_VIEWS}/${name}")
  endforeach()
  set(${out} ${views} PARENT_SCOPE)
endfunction()

# Writes, once every layer is known, the folders and the sources they build (one a line, from
# the source root) for the test that every source file is built.
function(glyphward_write_layer_manifest)
  get_property(folders GLOBAL PROPERTY GLYPHWARD_LAYER_FOLDERS)
  get_property(sources GLOBAL PROPERTY GLYPHWARD_LAYER_SOURCES)
  list(REMOVE_DUPLICATES folders)
  list(SORT folders)
  list(SORT sources)
  set(text "")
  foreach(folder IN LISTS folders)
    string(APPEND text "folder ${folder}\n")
  endforeach()
  foreach(source IN LISTS sources)
    string(APPEND text "source ${source}\n")
  endforeach()
  file(CONFIGURE OUTPUT "${GLYPHWARD_LAYER_VIEWS}/manifest.txt" CONTENT "${text}" @ONLY)
endfunction()

# Makes the static library <target> of the lock's folder <folder> a layer: it sees its own
# folder and, through what it links, the layers under it.
function(glyphward_lock_layer target folder)
  glyphward_layer_link(${folder} ${folder})
  target_include_directories(${target} PUBLIC "${GLYPHWARD_LAYER_VIEWS}/${folder}")
  get_target_property(sources ${target} SOURCES)
  glyphward_note_layer_sources(${folder} ${sources})
endfunction()
