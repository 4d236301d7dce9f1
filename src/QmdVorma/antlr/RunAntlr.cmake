# Runs the antlr3 tool on one grammar (cmake -DTOOL= -DOUT= -DGRAMMAR= -P).
# The 3.5 tool prints "template error" warnings for every C recognizer it
# writes; they say nothing about the grammar, so they are dropped and
# everything else is passed on.
execute_process(
  COMMAND "${TOOL}" -fo "${OUT}" "${GRAMMAR}"
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
string(REGEX REPLACE "[^\n]*template error[^\n]*\n?" "" err "${err}")
string(STRIP "${out}${err}" report)
if(report)
  message("${report}")
endif()
if(NOT rc EQUAL 0 OR report MATCHES "error\\(")
  message(FATAL_ERROR "antlr3 failed on ${GRAMMAR}")
endif()
