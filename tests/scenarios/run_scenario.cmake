# Plays SCENARIO with REPLAY into OUTPUT and compares it with the .expected file beside it.
string(REGEX REPLACE "\\.scenario$" ".expected" EXPECTED "${SCENARIO}")
execute_process(COMMAND ${REPLAY} ${SCENARIO} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(READ ${OUTPUT} text)
  message(FATAL_ERROR "orbek-replay failed (${result}):\n${text}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED}
                RESULT_VARIABLE differ)
if(differ)
  execute_process(COMMAND diff -u ${EXPECTED} ${OUTPUT})
  message(FATAL_ERROR "output of ${SCENARIO} differs from ${EXPECTED}")
endif()
