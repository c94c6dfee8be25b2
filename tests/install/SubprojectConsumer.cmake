# cmake -P script: builds a project of its own that takes the source tree in with add_subdirectory
# (tests/install/subproject) with the same compiler, build type (and sanitizers), where GoogleTest
# cannot be found; checks that the tree added no programs, tests, benchmarks or fuzz targets and
# built no library the project does not link, and runs the serializer consumer built against zu::xml.
include(${CMAKE_CURRENT_LIST_DIR}/ConsumerChecks.cmake)

# The tree's libraries are compiled with the options of the tree's own build (warnings as errors,
# sanitizers); the program itself only links the sanitizers' runtime.
file(REMOVE_RECURSE ${WORK_DIR})
set(link)
if(SANITIZE)
  set(link -DCMAKE_EXE_LINKER_FLAGS=${sanitize})
endif()
run(${CMAKE_COMMAND} -S ${ZU_SOURCE_DIR}/tests/install/subproject -B ${WORK_DIR} -G ${GENERATOR}
    -DZU_SOURCE_DIR=${ZU_SOURCE_DIR} -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_C_COMPILER=${CC}
    -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DZU_WERROR=${WERROR}
    -DZU_SANITIZE=${SANITIZE} ${link})
foreach(dir app tools tests bench fuzz)
  if(EXISTS ${WORK_DIR}/zu/${dir})
    message(FATAL_ERROR "the tree as a subproject added its folder ${dir}")
  endif()
endforeach()
# The whole project is built: of the tree, only the libraries the serializer links.
run(${CMAKE_COMMAND} --build ${WORK_DIR} --parallel 2)
if(EXISTS ${WORK_DIR}/zu/platform/forms/libzu_forms.a)
  message(FATAL_ERROR "the tree as a subproject built zu_forms, which nothing of the project links")
endif()
check_document(${WORK_DIR}/zuconsumer)
