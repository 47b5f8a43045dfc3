# Writes the keysym of every Unicode character that keysymdef.h names, for the
# blocks the viewer's key conversion keeps a page of (app/platform/APShareKeyEventConverter).
# Run in script mode: cmake -DKEYSYMDEF=<keysymdef.h> -DOUTPUT=<file> -P GenerateKeysymPages.cmake
#
# A line counts only when its comment names one character exactly ("/* U+XXXX NAME */");
# approximate names ("/*(U+XXXX ...)*/") and keysyms without a character are skipped.
# Where several keysyms name one character the lowest wins.
if(NOT KEYSYMDEF OR NOT OUTPUT)
  message(FATAL_ERROR "GenerateKeysymPages: KEYSYMDEF and OUTPUT are required")
endif()

# The blocks with a page: first and last code point of each.
set(blocks 0x0000 0x00FF 0x0100 0x017F 0x0380 0x03FF 0x0400 0x047F 0x05C0 0x05FF
           0x0600 0x067F 0x0E00 0x0E7F 0x3080 0x30FF)

file(STRINGS "${KEYSYMDEF}" lines
  REGEX "^#define XK_[A-Za-z0-9_]+[ \t]+0x[0-9a-fA-F]+[ \t]+/\\* U\\+[0-9A-Fa-f]+ ")
set(count 0)
foreach(line IN LISTS lines)
  string(REGEX MATCH "^#define XK_[A-Za-z0-9_]+[ \t]+0x([0-9a-fA-F]+)[ \t]+/\\* U\\+([0-9A-Fa-f]+) " _ "${line}")
  math(EXPR keysym "0x${CMAKE_MATCH_1}")
  math(EXPR cp "0x${CMAKE_MATCH_2}")
  set(inside FALSE)
  list(LENGTH blocks n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET blocks ${i} lo)
    list(GET blocks ${j} hi)
    if(cp GREATER_EQUAL lo AND cp LESS_EQUAL hi)
      set(inside TRUE)
      break()
    endif()
  endforeach()
  if(NOT inside)
    continue()
  endif()
  if(DEFINED best_${cp})
    if(keysym LESS best_${cp})
      set(best_${cp} ${keysym})
    endif()
  else()
    set(best_${cp} ${keysym})
    list(APPEND cps ${cp})
    math(EXPR count "${count} + 1")
  endif()
endforeach()

if(count EQUAL 0)
  message(FATAL_ERROR "GenerateKeysymPages: no characters found in ${KEYSYMDEF}")
endif()
list(SORT cps COMPARE NATURAL)
set(body "")
foreach(cp IN LISTS cps)
  math(EXPR cphex "${cp}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR kshex "${best_${cp}}" OUTPUT_FORMAT HEXADECIMAL)
  string(APPEND body "    {${cphex}, ${kshex}},\n")
endforeach()

set(content "// Generated from ${KEYSYMDEF} by cmake/GenerateKeysymPages.cmake; do not edit.
// {Unicode code point, lowest keysym that keysymdef.h names for it}, ascending.
static constexpr struct {
    unsigned int codePoint;
    unsigned int keysym;
} kKeysymdefCharacters[] = {
${body}};
")
# Rewritten only when it changes, so the sources that include it are not rebuilt for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${content}")
