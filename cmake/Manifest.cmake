# The manifest (manifest.json at the top of the tree): the demo programs and
# the files of their data set. Whatever lists programs or data files is made
# from it: the data set's generation and installation, the menu entries,
# metainfo, icons and manual pages, the web pages, and the tools' tables.

# zelk_manifest_get(OUT JSON PATH…): the value at PATH; stops the configuration
# with the manifest's fault when there is none.
function(zelk_manifest_get out json)
  string(JSON value ERROR_VARIABLE error GET "${json}" ${ARGN})
  if(error)
    message(FATAL_ERROR "manifest.json: ${error}")
  endif()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

# zelk_manifest_list(OUT JSON PATH…): the strings of the array at PATH as a
# CMake list (empty when there is no such array).
function(zelk_manifest_list out json)
  set(items)
  string(JSON n ERROR_VARIABLE error LENGTH "${json}" ${ARGN})
  if(NOT error AND n GREATER 0)
    math(EXPR last "${n} - 1")
    foreach(i RANGE ${last})
      string(JSON item GET "${json}" ${ARGN} ${i})
      if(item MATCHES ";")
        list(JOIN ARGN " " where)
        message(FATAL_ERROR "manifest.json: ${where} ${i} holds a ';', which a list cannot")
      endif()
      list(APPEND items "${item}")
    endforeach()
  endif()
  set(${out} "${items}" PARENT_SCOPE)
endfunction()

# zelk_read_manifest(FILE) sets, in the caller's scope:
#   ZELK_PROGRAMS                the demo programs, in order
#   ZELK_PROGRAM_<p>_<FIELD>     TITLE, LABEL, LABEL_JA, KIND, KIND_JA, SUMMARY,
#                                SUMMARY_JA, ABOUT_XML (the paragraphs as
#                                <p> elements), CATEGORIES,
#                                KEYWORDS, FOLDER, READS, THEME, CYCLE_MS,
#                                ICON_PICTURE, ICON_SQUARE (x;y;side), ICON_SHAPE
#   ZELK_DATA_FILES              the data set's files, in order
#   ZELK_DATA_<file>_ART         the generator's drawing (or sound) of a file
#   ZELK_DATA_PATHS              every place a program reads a file from,
#                                relative to the programs' folder, each once
#                                ("data/x.mag", "red.mag")
# and makes CMake configure again when the file changes.
function(zelk_read_manifest file)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  file(READ ${file} json)
  set(vars ZELK_PROGRAMS ZELK_DATA_FILES ZELK_DATA_PATHS)

  set(ZELK_DATA_FILES)
  string(JSON count LENGTH "${json}" data)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    zelk_manifest_get(name "${json}" data ${i} file)
    zelk_manifest_get(art "${json}" data ${i} art)
    if(name IN_LIST ZELK_DATA_FILES)
      message(FATAL_ERROR "manifest.json: ${name} is in the data set twice")
    endif()
    list(APPEND ZELK_DATA_FILES ${name})
    set(ZELK_DATA_${name}_ART "${art}")
    list(APPEND vars ZELK_DATA_${name}_ART)
  endforeach()

  set(ZELK_PROGRAMS)
  set(ZELK_DATA_PATHS)
  set(unread ${ZELK_DATA_FILES})
  string(JSON count LENGTH "${json}" programs)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    zelk_manifest_get(p "${json}" programs ${i} name)
    list(APPEND ZELK_PROGRAMS ${p})
    set(prefix ZELK_PROGRAM_${p})
    foreach(field title label label_ja kind summary summary_ja folder)
      string(TOUPPER ${field} upper)
      zelk_manifest_get(${prefix}_${upper} "${json}" programs ${i} ${field})
      list(APPEND vars ${prefix}_${upper})
    endforeach()
    foreach(field kind_ja theme cycle_ms)
      string(TOUPPER ${field} upper)
      string(JSON ${prefix}_${upper} ERROR_VARIABLE missing GET "${json}" programs ${i} ${field})
      if(missing)
        set(${prefix}_${upper} "")
      endif()
      list(APPEND vars ${prefix}_${upper})
    endforeach()
    set(${prefix}_ABOUT_XML "")
    string(JSON n LENGTH "${json}" programs ${i} about)
    math(EXPR lastParagraph "${n} - 1")
    foreach(k RANGE ${lastParagraph})
      string(JSON text GET "${json}" programs ${i} about ${k})
      string(REPLACE "&" "&amp;" text "${text}")
      string(REPLACE "<" "&lt;" text "${text}")
      string(REPLACE ">" "&gt;" text "${text}")
      string(APPEND ${prefix}_ABOUT_XML "    <p>\n      ${text}\n    </p>\n")
    endforeach()
    list(APPEND vars ${prefix}_ABOUT_XML)
    foreach(field categories keywords reads)
      string(TOUPPER ${field} upper)
      zelk_manifest_list(${prefix}_${upper} "${json}" programs ${i} ${field})
      list(APPEND vars ${prefix}_${upper})
    endforeach()
    zelk_manifest_get(${prefix}_ICON_PICTURE "${json}" programs ${i} icon picture)
    zelk_manifest_get(${prefix}_ICON_SHAPE "${json}" programs ${i} icon shape)
    zelk_manifest_list(${prefix}_ICON_SQUARE "${json}" programs ${i} icon square)
    list(APPEND vars ${prefix}_ICON_PICTURE ${prefix}_ICON_SHAPE ${prefix}_ICON_SQUARE)

    if(NOT ${prefix}_ICON_PICTURE IN_LIST ${prefix}_READS)
      message(FATAL_ERROR "manifest.json: the icon of ${p} shows a picture it does not read")
    endif()
    foreach(f ${${prefix}_READS})
      if(NOT f IN_LIST ZELK_DATA_FILES)
        message(FATAL_ERROR "manifest.json: ${p} reads ${f}, which is not in the data set")
      endif()
      list(REMOVE_ITEM unread ${f})
      if(${prefix}_FOLDER STREQUAL "")
        list(APPEND ZELK_DATA_PATHS ${f})
      else()
        list(APPEND ZELK_DATA_PATHS ${${prefix}_FOLDER}/${f})
      endif()
    endforeach()
  endforeach()
  if(unread)
    message(FATAL_ERROR "manifest.json: no program reads ${unread}")
  endif()
  list(REMOVE_DUPLICATES ZELK_DATA_PATHS)

  foreach(v ${vars})
    set(${v} "${${v}}" PARENT_SCOPE)
  endforeach()
  set(ZELK_MANIFEST_FILE ${file} PARENT_SCOPE)
endfunction()

# zelk_manifest_cpp_string(OUT TEXT): TEXT as a C++ string literal.
function(zelk_manifest_cpp_string out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()
