# What the install tests share: running a command, and running the serializer consumer
# (tests/install/consumer/main.cpp) and checking the document it writes.

# Runs a command and fails the test unless it succeeds; its output is left in `out`.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

# Runs a consumer program and checks that it writes the consumer's document (compared as bytes:
# execute_process would turn CR LF into LF in an output variable).
function(check_document program)
  execute_process(COMMAND ${program} RESULT_VARIABLE status OUTPUT_FILE ${program}.xml)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${program} failed (${status})")
  endif()
  file(READ ${program}.xml out HEX)
  set(expected "\r\n<TBook>\r\n\t<Title>Objects &lt;as&gt; documents</Title>\r\n\t<Pages>320</Pages>\r\n\t<Cover>cvHardcover</Cover>\r\n\t<Authors>\"Ada Lovelace\",Babbage\r\n\t</Authors>\r\n</TBook>")
  string(HEX "${expected}" expected)
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "unexpected document in ${program}.xml")
  endif()
endfunction()

# The compiler flags the consumers are built with: the sanitizers when the tree has them.
set(sanitize)
set(flags)
if(SANITIZE)
  set(sanitize -fsanitize=address,undefined)
  set(flags -DCMAKE_CXX_FLAGS=${sanitize} -DCMAKE_EXE_LINKER_FLAGS=${sanitize})
endif()
