# Writes ovisu.1 from the program's own help, so the man page never drifts from it:
#   cmake -DOVISU=<binary> -DHELP2MAN=<help2man> -DTEMPLATE=<ovisu.h2m> -DOUTPUT=<ovisu.1> -P GenerateManPage.cmake
# Each command's --help becomes a paragraph of a COMMANDS section; help2man writes the rest
# from `ovisu --help` and `ovisu --version`, plus the hand-written sections of the template.
foreach(variable OVISU HELP2MAN TEMPLATE OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "GenerateManPage.cmake needs -D${variable}=...")
  endif()
endforeach()

get_filename_component(work "${OUTPUT}" DIRECTORY)
# The commands read no user files for --help, but a private home keeps it so whatever changes.
set(ENV{OVISU_HOME} "${work}/man-home")
set(ENV{LC_ALL} C.UTF-8)

execute_process(COMMAND "${OVISU}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ovisu --help failed (${status})")
endif()

string(REGEX MATCHALL "\n  [a-z][a-z-]+  " command_lines "${help}")
set(commands_section "[COMMANDS]\n")
foreach(line IN LISTS command_lines)
  string(STRIP "${line}" command)
  execute_process(COMMAND "${OVISU}" ${command} --help OUTPUT_VARIABLE command_help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "ovisu ${command} --help failed (${status})")
  endif()
  # Qt prints the path the program was started by; the page names the command as typed.
  string(REPLACE "Usage: ${OVISU} " "Usage: ovisu ${command} " command_help "${command_help}")
  # roff reads a leading dot or quote as a request, and a backslash as an escape.
  string(REPLACE "\\" "\\e" command_help "${command_help}")
  string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" command_help "\n${command_help}")
  string(APPEND commands_section ".SS ${command}\n.nf\n${command_help}\n.fi\n")
endforeach()
file(WRITE "${work}/ovisu-commands.h2m" "${commands_section}")

execute_process(
  COMMAND "${HELP2MAN}" --no-info --section=1 --source=Ovisu "--manual=User Commands"
          --include=${TEMPLATE} --include=${work}/ovisu-commands.h2m --output=${OUTPUT} "${OVISU}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed (${status})")
endif()
