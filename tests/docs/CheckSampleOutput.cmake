# cmake -P script: runs PROGRAM and compares its standard output with the file EXPECTED (CR LF read
# as LF, one final line break on either side ignored); fails on a difference, on output to
# standard error or on a non-zero exit status, showing what the program wrote.
get_filename_component(name ${PROGRAM} NAME)
set(outFile ${PROGRAM}.out)
execute_process(COMMAND ${PROGRAM} RESULT_VARIABLE status OUTPUT_FILE ${outFile} ERROR_VARIABLE err)
file(READ ${outFile} out)
file(READ ${EXPECTED} expected)
string(REPLACE "\r\n" "\n" out "${out}")
string(REGEX REPLACE "\n$" "" out "${out}")
string(REGEX REPLACE "\n$" "" expected "${expected}")
if(NOT status EQUAL 0 OR NOT err STREQUAL "")
  message(FATAL_ERROR "${name} exited with ${status}; standard error:\n${err}\nstandard output:\n${out}")
endif()
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "${name} printed:\n${out}\n--- instead of:\n${expected}")
endif()
message(STATUS "${name} printed what the page shows")
