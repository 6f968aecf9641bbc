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
file(REMOVE "${partial}")

execute_process(
  COMMAND "${ABC2MIDI}" "${INPUT}" -o "${partial}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE messages
  ERROR_VARIABLE messages)

# One message per line; keep what abc2midi says about the notation.
string(REPLACE "\n" ";" lines "${messages}")
set(errors "")
set(warnings "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(Error|error|ERROR)")
    list(APPEND errors "${line}")
  elseif(line MATCHES "^[ \t]*(Warning|warning)")
    list(APPEND warnings "${line}")
  endif()
endforeach()

foreach(line IN LISTS warnings)
  message(NOTICE "${name}: ${line}")
endforeach()

set(failure "")
if(NOT status EQUAL 0)
  set(failure "abc2midi exited with ${status}")
elseif(errors)
  list(LENGTH errors count)
  list(JOIN errors "\n  " text)
  set(failure "abc2midi reported ${count} error(s):\n  ${text}")
elseif(NOT EXISTS "${partial}")
  set(failure "abc2midi wrote no MIDI file (no tune in the file?)")
else()
  file(SIZE "${partial}" size)
  if(size LESS 14)
    set(failure "abc2midi wrote an empty MIDI file")
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
  if(NOT errors)
    string(STRIP "${messages}" messages)
    string(APPEND failure "\n${messages}")
  endif()
  message(FATAL_ERROR "${name}: ${failure}")
endif()

file(RENAME "${partial}" "${OUTPUT}")
