# Runs fogliame-snapshot twice, as two processes, in the demo's directory and expects the same
# PNG file byte for byte; then compares it with the golden first frame (tolerant: the golden
# test renders in its own process, with the same code).
#   cmake -DSNAPSHOT=... -DCOMPARE=... -DBIN=... -DOUT=... -DGOLDEN=... -P same_bush.cmake
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
foreach(run 1 2)
  execute_process(COMMAND ${SNAPSHOT} --out ${OUT}/run${run}.png --width 800 --height 600
    WORKING_DIRECTORY ${BIN} RESULT_VARIABLE code ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "fogliame-snapshot run ${run} failed (${code}): ${err}")
  endif()
  if(NOT err STREQUAL "")
    message(FATAL_ERROR "fogliame-snapshot run ${run} reported: ${err}")
  endif()
  file(SHA256 ${OUT}/run${run}.png hash${run})
endforeach()
if(NOT hash1 STREQUAL hash2)
  message(FATAL_ERROR "two runs gave different pictures: ${OUT}/run1.png ${OUT}/run2.png")
endif()
message(STATUS "two runs, one picture: ${hash1}")
execute_process(COMMAND ${COMPARE} ${OUT}/run1.png ${GOLDEN} --tolerance 8
  --max-fraction 0.002 --diff ${OUT}/diff.png RESULT_VARIABLE code OUTPUT_VARIABLE out)
message(STATUS "against the golden first frame: ${out}")
if(NOT code EQUAL 0)
  message(FATAL_ERROR "the snapshot does not match ${GOLDEN}: ${out}")
endif()
