# cmake -P script: installs the package into a scratch prefix and builds programs of their own
# against it with the same compiler (and sanitizers): the serializer consumer through
# find_package and again through pkg-config alone; the drawing consumer (a gradient box saved as
# PNG) and the form consumer (a form read from its text form and clicked) through find_package.
# Runs each, and checks that README.md shows the serializer consumer's source as it is.
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

set(consumer ${ZU_SOURCE_DIR}/tests/install/consumer)
set(drawing ${ZU_SOURCE_DIR}/tests/install/drawing)
set(form ${ZU_SOURCE_DIR}/tests/install/form)
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

run(${CMAKE_COMMAND} --build ${ZU_BUILD_DIR} --target zu_package --parallel 2)
run(${CMAKE_COMMAND} --install ${ZU_BUILD_DIR} --prefix ${prefix})
file(GLOB_RECURSE pcfile ${prefix}/*/zucomponents.pc)
file(GLOB_RECURSE config ${prefix}/*/zucomponentsConfig.cmake)
if(NOT pcfile OR NOT config)
  message(FATAL_ERROR "not installed: the pkg-config file or the CMake package")
endif()
foreach(file include/zu/lib/xml/zuXMLSerializer.h include/zu/platform/classes/Classes.h
             include/zu/platform/graphics/Graphics.h include/zu/platform/forms/CustomForm.h
             include/zu/lib/utils/zuUtils.h bin/zuxml)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
run(${prefix}/bin/zuxml --version)
if(NOT out STREQUAL "zuxml ${VERSION}\n")
  message(FATAL_ERROR "the installed zuxml says: ${out}")
endif()

set(flags)
set(sanitize)
if(SANITIZE)
  set(sanitize -fsanitize=address,undefined)
  set(flags -DCMAKE_CXX_FLAGS=${sanitize} -DCMAKE_EXE_LINKER_FLAGS=${sanitize})
endif()

# Through the CMake package.
foreach(project consumer drawing form)
  run(${CMAKE_COMMAND} -S ${${project}} -B ${WORK_DIR}/${project} -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix}
      -DCMAKE_CXX_COMPILER=${CXX} ${flags})
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/${project} --parallel 2)
endforeach()
check_document(${WORK_DIR}/consumer/zuconsumer)
set(picture ${WORK_DIR}/gradient.png)
run(${WORK_DIR}/drawing/zudrawing ${picture})
file(READ ${picture} signature LIMIT 8 HEX)
if(NOT signature STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "${picture} is not a PNG file")
endif()
run(${WORK_DIR}/form/zuform)

# Through pkg-config alone: the compiler is given what the pkg-config file says, nothing else.
find_program(PKG_CONFIG pkg-config REQUIRED)
get_filename_component(pcdir ${pcfile} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pcdir})
run(${PKG_CONFIG} --cflags zucomponents)
separate_arguments(cflags UNIX_COMMAND "${out}")
run(${PKG_CONFIG} --static --libs zucomponents)
separate_arguments(libs UNIX_COMMAND "${out}")
run(${CXX} -std=c++20 ${sanitize} ${cflags} ${consumer}/main.cpp -o ${WORK_DIR}/zuconsumer-pkgconfig ${libs})
check_document(${WORK_DIR}/zuconsumer-pkgconfig)

file(READ ${consumer}/main.cpp source)
file(READ ${ZU_SOURCE_DIR}/README.md readme)
string(FIND "${readme}" "${source}" at)
if(at LESS 0)
  message(FATAL_ERROR "README.md does not show tests/install/consumer/main.cpp as it is")
endif()
