# Writes the COMMANDS section of kvtctl's manual page from each command's own
# help (kvtctl COMMAND --help), so the page says what the program says.
# Usage: cmake -DKVTCTL=PROGRAM -DOUTPUT=FILE -P kvtctl-commands.cmake

# Text as roff takes it: backslashes, minus signs and a leading dot escaped.
function(roff_text text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND ${KVTCTL} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
string(REGEX MATCH "\nCommands:\n(.*)\n\n" commands "${help}")
if(NOT status EQUAL 0 OR commands STREQUAL "")
  message(FATAL_ERROR "${KVTCTL} --help lists no commands")
endif()
string(REGEX MATCHALL "\n  [a-z]+" names "\n${CMAKE_MATCH_1}")

set(section "[COMMANDS]\n")
foreach(name IN LISTS names)
  string(STRIP "${name}" name)
  execute_process(COMMAND ${KVTCTL} ${name} --help OUTPUT_VARIABLE text RESULT_VARIABLE status)
  # "Usage: kvtctl [options] NAME SYNTAX", then the command's own words.
  if(NOT status EQUAL 0 OR NOT text MATCHES "^Usage: kvtctl \\[options\\] ([^\n]*)\n(.*)\n\nOptions:")
    message(FATAL_ERROR "${KVTCTL} ${name} --help is not a command's help")
  endif()
  roff_text("${CMAKE_MATCH_1}" usage)
  roff_text("${CMAKE_MATCH_2}" details)
  string(APPEND section ".TP\n\\fB${usage}\\fR\n${details}\n")
endforeach()
file(WRITE ${OUTPUT} "${section}")
