# SPDX-License-Identifier: GPL-3.0-or-later
# Builds one piece of music:
#   cmake -DABC2MIDI=<abc2midi> -DMIDITIDY=<morrow-miditidy>
#         -DINPUT=<piece.abc> -DOUTPUT=<piece.mid> -P AbcToMidi.cmake
#
# abc2midi exits with 0 even when it reports errors in the notation (a
# malformed note, a chord it cannot read, notes held past the end) and still
# writes a file, so its messages decide: any error fails the build. It writes
# to a temporary file that replaces OUTPUT only on success, so a failed piece
# never leaves a half-made file that a later build would take as up to date.
# Warnings (a bar of the wrong length, say) are shown but do not stop the
# build. morrow-miditidy then ends the tempo track where the music ends.

foreach(var ABC2MIDI MIDITIDY INPUT OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "AbcToMidi.cmake: ${var} is not set")
  endif()
endforeach()

get_filename_component(name "${INPUT}" NAME)
set(partial "${OUTPUT}.part")
get_filename_component(outputDir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${outputDir}")
file(REMOVE "${partial}")

execute_process(
  COMMAND "${ABC2MIDI}" "${INPUT}" -o "${partial}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE messages
  ERROR_VARIABLE messages)

# One message per line; keep what abc2midi says about the notation. The
# lines are walked as plain strings, not as a CMake list, because messages
# such as "probably missing ']'" would upset list splitting.
set(rest "${messages}\n")
set(errors "")
set(errorCount 0)
while(NOT rest STREQUAL "")
  string(FIND "${rest}" "\n" end)
  string(SUBSTRING "${rest}" 0 ${end} line)
  math(EXPR end "${end} + 1")
  string(SUBSTRING "${rest}" ${end} -1 rest)
  if(line MATCHES "^[ \t]*(Error|error|ERROR)")
    string(APPEND errors "\n  ${line}")
    math(EXPR errorCount "${errorCount} + 1")
  elseif(line MATCHES "^[ \t]*(Warning|warning)")
    message(NOTICE "${name}: ${line}")
  endif()
endwhile()

set(failure "")
if(NOT status EQUAL 0)
  set(failure "abc2midi exited with ${status}")
elseif(errorCount GREATER 0)
  set(failure "abc2midi reported ${errorCount} error(s)")
elseif(NOT EXISTS "${partial}")
  set(failure "abc2midi wrote no MIDI file (no tune in the file?)")
else()
  file(SIZE "${partial}" size)
  if(size LESS 14)
    set(failure "abc2midi wrote an empty MIDI file")
  endif()
endif()
if(failure)
  # Show what abc2midi said: its error lines, or everything when it named none.
  if(errorCount GREATER 0)
    string(APPEND failure ":${errors}")
  else()
    string(STRIP "${messages}" text)
    string(APPEND failure ":\n  ${text}")
  endif()
endif()

if(NOT failure)
  execute_process(
    COMMAND "${MIDITIDY}" "${partial}"
    RESULT_VARIABLE status
    ERROR_VARIABLE tidyMessages)
  if(NOT status EQUAL 0)
    string(STRIP "${tidyMessages}" tidyMessages)
    set(failure "the built file is not a sound MIDI file: ${tidyMessages}")
  endif()
endif()

if(failure)
  file(REMOVE "${partial}" "${OUTPUT}")
  message(FATAL_ERROR "${name}: ${failure}")
endif()

file(RENAME "${partial}" "${OUTPUT}")
