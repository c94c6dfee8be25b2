# cmake -P script: installs the package into a scratch prefix, checks its headers (the public ones
# and what they include, compiling together) and what find_package says of missing components, and
# builds programs of their own against it with the same compiler (and sanitizers): the serializer
# consumer through find_package(... COMPONENTS xml) and again through pkg-config alone; the drawing
# consumer (a gradient box saved as PNG) and the form consumer (a form read from its text form and
# clicked) through find_package. Runs each, and checks that README.md shows the serializer
# consumer's source as it is.
include(${CMAKE_CURRENT_LIST_DIR}/ConsumerChecks.cmake)

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

# The headers: the public ones and what they include, nothing else. One source including every
# installed header compiles against the prefix alone, and sees the project's version.
set(internal platform/graphics/GdiInternal.h platform/graphics/RasterKernels.h lib/xml/zuXMLScan.h
             lib/xml/zuXMLReadPlan.h lib/xml/zuXMLClassRole.h lib/xml/zuXMLCommon.h lib/xml/zuXMLNumbers.h
             platform/classes/FilerInternal.h)
foreach(header ${internal})
  if(EXISTS ${prefix}/include/zu/${header})
    message(FATAL_ERROR "installed, though no public header includes it: ${header}")
  endif()
endforeach()
file(GLOB_RECURSE headers RELATIVE ${prefix}/include/zu ${prefix}/include/zu/*.h)
set(source)
foreach(header ${headers})
  string(APPEND source "#include \"${header}\"\n")
endforeach()
string(REPLACE "." ";" version "${VERSION}")
list(GET version 0 major)
list(GET version 1 minor)
list(GET version 2 patch)
string(APPEND source "#include <string_view>\n"
       "static_assert(ZU_VERSION_MAJOR == ${major} && ZU_VERSION_MINOR == ${minor} && ZU_VERSION_PATCH == ${patch});\n"
       "static_assert(std::string_view(ZU_VERSION_STRING) == \"${VERSION}\");\n")
file(WRITE ${WORK_DIR}/headers.cpp "${source}")
run(${CXX} -std=c++20 -fsyntax-only -I${prefix}/include/zu ${WORK_DIR}/headers.cpp)

# Through the CMake package. The serializer consumer asks for its component alone, and is
# configured where neither pkg-config nor libpng can be found: the serializer needs no system
# library of the drawing surface or the windows.
set(only_consumer -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON)
foreach(project consumer drawing form)
  run(${CMAKE_COMMAND} -S ${${project}} -B ${WORK_DIR}/${project} -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix}
      -DCMAKE_CXX_COMPILER=${CXX} ${flags} ${only_${project}})
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/${project} --parallel 2)
endforeach()
check_document(${WORK_DIR}/consumer/zuconsumer)
# What find_package says when a component cannot be loaded: a project that only asks for components
# (ARGS), configured where some packages cannot be found (DISABLE), succeeds or fails as expected,
# with the output it must show (the reason, or the zu:: targets it got).
file(WRITE ${WORK_DIR}/probe/CMakeLists.txt [=[
cmake_minimum_required(VERSION 3.21)
project(zuprobe LANGUAGES CXX)
find_package(zucomponents REQUIRED ${ARGS})
set(loaded)
foreach(component xml classes graphics forms)
  if(TARGET zu::${component})
    list(APPEND loaded ${component})
  endif()
endforeach()
message(STATUS "loaded: ${loaded}; graphics found: ${zucomponents_graphics_FOUND}")
]=])
function(probe name args disable expected_status pattern)
  set(options)
  foreach(package ${disable})
    list(APPEND options -DCMAKE_DISABLE_FIND_PACKAGE_${package}=ON)
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK_DIR}/probe -B ${WORK_DIR}/probe-${name} -G ${GENERATOR}
                          -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX} "-DARGS=${args}" ${options}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(status EQUAL 0)
    set(status ok)
  else()
    set(status fails)
  endif()
  string(REGEX REPLACE "[ \n]+" " " text "${out} ${err}")
  if(NOT status STREQUAL expected_status OR NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "find_package(zucomponents ${args}) without ${disable}: ${status}, expected ${expected_status} "
                        "and the text ${pattern}:\n${out}\n${err}")
  endif()
endfunction()
probe(unknown "COMPONENTS;xml;nosuch" "" fails "no component named nosuch \\(the components: system, typinfo, classes, ")
probe(no_png "COMPONENTS;graphics" PNG fails "component graphics: it needs the package PNG, which was not found")
probe(no_pkgconfig "COMPONENTS;forms" PkgConfig fails
      "it needs the pkg-config module [a-z0-9]+, which was not found.*component forms: it links component")
probe(optional "COMPONENTS;xml;OPTIONAL_COMPONENTS;graphics" PNG ok "loaded: xml;classes; graphics found: FALSE")
probe(all "" "" ok "loaded: xml;classes;graphics;forms; graphics found: TRUE")

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
