# Resources compiled into a module and found at run time through
# FindResourceW / LoadResource / LockResource / SizeofResource.
#
#   renps_module_resource(<type> <id> <file> TEXT|BYTES)
#     records one resource: <type> a name ("PSPROC") or a number, <id> a
#     number from 1 to 65535, <file> relative to the calling directory.
#     TEXT   plain ASCII; every line end becomes CR LF and a zero byte
#            closes the data
#     BYTES  the file's bytes as they are
#   renps_embed_module_resources(<target>)
#     adds every recorded resource to <target>: on Windows an .rc script the
#     resource compiler turns into the module's resource section; elsewhere a
#     table that RegisterEmbeddedResources (ModuleResources.h) hands to the
#     platform when the module is loaded. Both are generated at build time
#     from the files, so an edited file is picked up by the next build.
set(RENPS_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedResources.cmake CACHE INTERNAL "")

function(renps_module_resource type id file form)
  if(NOT id MATCHES "^[0-9]+$" OR id LESS 1 OR id GREATER 65535)
    message(FATAL_ERROR "module resource ${file}: id '${id}' is not a number from 1 to 65535")
  endif()
  if(NOT type MATCHES "^[A-Za-z_][A-Za-z0-9_]*$" AND NOT type MATCHES "^[0-9]+$")
    message(FATAL_ERROR "module resource ${file}: type '${type}' is neither a plain name nor a number")
  endif()
  if(NOT form STREQUAL "TEXT" AND NOT form STREQUAL "BYTES")
    message(FATAL_ERROR "module resource ${file}: form '${form}' is neither TEXT nor BYTES")
  endif()
  get_filename_component(path "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "module resource ${path} does not exist")
  endif()
  get_property(entries GLOBAL PROPERTY RENPS_MODULE_RESOURCES)
  foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 otherType)
    list(GET fields 1 otherId)
    if(otherType STREQUAL type AND otherId EQUAL id)
      message(FATAL_ERROR "module resource ${type} ${id} is recorded twice")
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY RENPS_MODULE_RESOURCES "${type}|${id}|${form}|${path}")
endfunction()

function(renps_embed_module_resources target)
  get_property(entries GLOBAL PROPERTY RENPS_MODULE_RESOURCES)
  set(base ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  # The list goes to the script through a file: it holds separators the
  # command line would split. CONFIGURE rewrites it only when it changes.
  string(REPLACE ";" "\n" manifest "${entries}")
  file(CONFIGURE OUTPUT ${base}.list CONTENT "${manifest}\n" @ONLY)
  set(files)
  foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 3 path)
    list(APPEND files ${path})
  endforeach()
  set(outputs ${base}.cpp)
  if(WIN32)
    set(table OFF)
    list(APPEND outputs ${base}.rc)
  else()
    set(table ON)
  endif()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${base}.list -DOUTPUT=${base} -DTABLE=${table} -P ${RENPS_EMBED_SCRIPT}
    DEPENDS ${base}.list ${files} ${RENPS_EMBED_SCRIPT}
    COMMENT "Embedding module resources in ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${outputs})
endfunction()
