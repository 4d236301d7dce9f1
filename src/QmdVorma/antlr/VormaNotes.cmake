# The notes lexer and parser: generated from VormaNotes.g at build time into
# the build tree (never committed) and linked with the ANTLR 3 C runtime,
# which Debian ships without a pkg-config file.
#
# Sets VORMA_NOTES_SOURCES (the notes code plus the generated C) for the
# library of the including folder; vorma_notes_link(<target>) adds the include
# directories and the runtime.

find_program(VORMA_ANTLR3_TOOL antlr3)
find_path(VORMA_ANTLR3C_INCLUDE_DIR antlr3.h)
find_library(VORMA_ANTLR3C_LIBRARY antlr3c)
if(NOT VORMA_ANTLR3_TOOL OR NOT VORMA_ANTLR3C_INCLUDE_DIR OR NOT VORMA_ANTLR3C_LIBRARY)
  message(FATAL_ERROR "The notes grammar needs the antlr3 tool and libantlr3c "
                      "(Debian packages antlr3 and libantlr3c-dev; scripts/bootstrap installs them)")
endif()

set(_notes_src "${CMAKE_CURRENT_LIST_DIR}")
set(VORMA_NOTES_GENERATED_DIR "${CMAKE_CURRENT_BINARY_DIR}/antlr")
set(_notes_generated
  "${VORMA_NOTES_GENERATED_DIR}/VormaNotesLexer.c"
  "${VORMA_NOTES_GENERATED_DIR}/VormaNotesLexer.h"
  "${VORMA_NOTES_GENERATED_DIR}/VormaNotesParser.c"
  "${VORMA_NOTES_GENERATED_DIR}/VormaNotesParser.h")

# Run from src/ so that the recognizers name their grammar
# "QmdVorma/antlr/VormaNotes.g".
add_custom_command(
  OUTPUT ${_notes_generated}
  COMMAND "${CMAKE_COMMAND}" -DTOOL=${VORMA_ANTLR3_TOOL} -DOUT=${VORMA_NOTES_GENERATED_DIR}
          -DGRAMMAR=QmdVorma/antlr/VormaNotes.g -P "${_notes_src}/RunAntlr.cmake"
  WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}/src"
  DEPENDS "${_notes_src}/VormaNotes.g" "${_notes_src}/RunAntlr.cmake"
  COMMENT "Generating the notes lexer and parser from VormaNotes.g"
  VERBATIM)

# The generated code carries unused locals, helpers and an always-true range
# check; that is the generator's, so only these files are quietened.
set_source_files_properties(
  "${VORMA_NOTES_GENERATED_DIR}/VormaNotesLexer.c"
  "${VORMA_NOTES_GENERATED_DIR}/VormaNotesParser.c"
  PROPERTIES COMPILE_OPTIONS
  "-Wno-unused-variable;-Wno-unused-but-set-variable;-Wno-unused-function;-Wno-type-limits")

set(VORMA_NOTES_SOURCES
  "${_notes_src}/VormaNotes.g"
  "${_notes_src}/NotesInput.cpp" "${_notes_src}/NotesInput.h"
  "${_notes_src}/NotesParser.cpp" "${_notes_src}/NotesParser.h"
  "${_notes_src}/NotesSyntaxNode.cpp" "${_notes_src}/NotesSyntaxNode.h"
  "${_notes_src}/NotesTreeShape.cpp" "${_notes_src}/NotesTreeShape.h"
  "${_notes_src}/NotesTreeShapeMaker.cpp" "${_notes_src}/NotesTreeShapeMaker.h"
  "${_notes_src}/NotesTrees.cpp" "${_notes_src}/NotesTrees.h"
  ${_notes_generated})

function(vorma_notes_link target)
  target_include_directories(${target} PRIVATE
    "${VORMA_NOTES_GENERATED_DIR}" "${VORMA_ANTLR3C_INCLUDE_DIR}")
  target_link_libraries(${target} PUBLIC "${VORMA_ANTLR3C_LIBRARY}")
endfunction()
