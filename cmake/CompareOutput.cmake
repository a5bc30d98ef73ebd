# cmake -DCOMMAND=prog -DARGS="a;b" -DOUTPUT=file -DEXPECTED=file -P CompareOutput.cmake
# Runs the command into OUTPUT and fails unless it equals EXPECTED (a checked-in generated file).
execute_process(COMMAND ${COMMAND} ${ARGS} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "${COMMAND} ${ARGS} failed (${_rc})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED} RESULT_VARIABLE _differs)
if(_differs)
  message(FATAL_ERROR "${EXPECTED} is out of date; regenerate it with:\n  ${COMMAND} ${ARGS} > ${EXPECTED}\n(fresh output: ${OUTPUT})")
endif()
message(STATUS "${EXPECTED} is up to date")
