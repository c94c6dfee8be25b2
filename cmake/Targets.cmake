# The package's libraries: every library target of platform/ and lib/ (found by walking the
# directories, so a library added to the tree needs no change here) is zu::NAME, NAME being the
# target's name without its zu_ prefix: an ALIAS in the tree (for add_subdirectory and
# FetchContent) and the exported name of the installed package.

# The library targets defined in a directory and below it.
function(zu_package_libraries dir out)
  set(libs)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "STATIC_LIBRARY" OR type STREQUAL "INTERFACE_LIBRARY")
      list(APPEND libs ${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    zu_package_libraries(${sub} sublibs)
    list(APPEND libs ${sublibs})
  endforeach()
  set(${out} ${libs} PARENT_SCOPE)
endfunction()

zu_package_libraries(${PROJECT_SOURCE_DIR}/platform ZU_PLATFORM_LIBRARIES)
zu_package_libraries(${PROJECT_SOURCE_DIR}/lib ZU_LIB_LIBRARIES)
set(ZU_PACKAGE_LIBRARIES ${ZU_PLATFORM_LIBRARIES} ${ZU_LIB_LIBRARIES})

foreach(lib ${ZU_PACKAGE_LIBRARIES})
  string(REGEX REPLACE "^zu_" "" name ${lib})
  set_target_properties(${lib} PROPERTIES EXPORT_NAME ${name})
  add_library(zu::${name} ALIAS ${lib})
  # As another project's subproject, a library is built when a target of that project links it.
  if(NOT PROJECT_IS_TOP_LEVEL AND NOT ZU_INSTALL)
    set_property(TARGET ${lib} PROPERTY EXCLUDE_FROM_ALL TRUE)
  endif()
  # Consumers compile with the language level the headers are written in.
  set_property(TARGET ${lib} APPEND PROPERTY INTERFACE_COMPILE_FEATURES cxx_std_20)
endforeach()
