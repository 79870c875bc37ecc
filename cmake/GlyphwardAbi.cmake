# The identity of this build of the platform library, and the note that carries it into tweaks.
#
# A tweak runs on whatever platform library the host process already has. One built against
# other headers, another compiler or other sanitizer flags would call into it with the wrong
# layouts, so the loader opens only tweaks that carry this build's tag. The tag is a digest of
# everything that shapes the library's binary interface; a change to any platform header
# configures again and so changes the tag.

file(GLOB_RECURSE glyphward_abi_headers CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/platform/*.h")
list(SORT glyphward_abi_headers)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${glyphward_abi_headers})

string(TOUPPER "${CMAKE_BUILD_TYPE}" glyphward_abi_build_type)
set(glyphward_abi_identity
    "Glyphward ${PROJECT_VERSION}\n"
    "${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION} C++${CMAKE_CXX_STANDARD}\n"
    "${CMAKE_BUILD_TYPE}: ${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${glyphward_abi_build_type}}\n"
    "sanitize=${GLYPHWARD_SANITIZE} fuzz=${GLYPHWARD_BUILD_FUZZ}\n")
foreach(header ${glyphward_abi_headers})
  file(SHA256 "${header}" digest)
  file(RELATIVE_PATH name "${PROJECT_SOURCE_DIR}" "${header}")
  string(APPEND glyphward_abi_identity "${name} ${digest}\n")
endforeach()
string(SHA256 glyphward_abi_digest "${glyphward_abi_identity}")
# Sixteen hex digits: enough to tell builds apart, short enough to read in a log line.
string(SUBSTRING "${glyphward_abi_digest}" 0 16 GLYPHWARD_ABI_TAG)

# The note, an allocated ELF note section that the linker gathers into a PT_NOTE segment:
# owner "Glyphward", type 1, the tag as text. Written in assembly so that no sanitizer pads it.
set(GLYPHWARD_ABI_NOTE_SOURCE "${CMAKE_BINARY_DIR}/generated/GlyphwardAbiNote.cpp")
configure_file("${CMAKE_CURRENT_LIST_DIR}/GlyphwardAbiNote.cpp.in" "${GLYPHWARD_ABI_NOTE_SOURCE}" @ONLY)

# Makes a shared library a tweak of this build: it carries the tag the loader asks for.
function(glyphward_add_tweak target)
  target_sources(${target} PRIVATE "${CMAKE_BINARY_DIR}/generated/GlyphwardAbiNote.cpp")
endfunction()
