# Fails when a C++ source of the project differs from what clang-format makes of it.
file(GLOB_RECURSE sources
  ${ROOT}/brevra/*.h ${ROOT}/brevra/*.cpp ${ROOT}/demo/*.h ${ROOT}/demo/*.cpp
  ${ROOT}/tests/*.h ${ROOT}/tests/*.cpp ${ROOT}/tools/*.h ${ROOT}/tools/*.cpp
  ${ROOT}/bench/*.h ${ROOT}/bench/*.cpp ${ROOT}/examples/*.h ${ROOT}/examples/*.cpp)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "clang-format finds differences (run tools/format.sh):\n${err}")
endif()
