# Installation: every library of platform/ and lib/ with its headers under include/zu (keeping the
# tree's paths), the zuxml tool, the CMake package zucomponents (targets zu::system ... zu::xml,
# zu::graphics, zu::forms, zu::utils) and the pkg-config file zucomponents.pc. The libraries are
# found by walking the directories, so a library added to the tree is packaged without a change here.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ZU_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zucomponents)

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

# What a library links: for a static one everything (its private parts go into the consumer's
# link line too), for an interface one what it passes on.
function(zu_linked_libraries target out)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(linked ${target} INTERFACE_LINK_LIBRARIES)
  else()
    get_target_property(linked ${target} LINK_LIBRARIES)
  endif()
  if(NOT linked)
    set(linked)
  endif()
  # Links added from another directory come wrapped in ::@(directory) markers.
  list(FILTER linked EXCLUDE REGEX "^::@")
  set(${out} ${linked} PARENT_SCOPE)
endfunction()

zu_package_libraries(${PROJECT_SOURCE_DIR}/platform ZU_PLATFORM_LIBRARIES)
zu_package_libraries(${PROJECT_SOURCE_DIR}/lib ZU_LIB_LIBRARIES)
set(ZU_PACKAGE_LIBRARIES ${ZU_PLATFORM_LIBRARIES} ${ZU_LIB_LIBRARIES})

# Static libraries in link order (each before the libraries it needs), from a depth-first walk
# that records a library once all it needs is recorded.
set_property(GLOBAL PROPERTY ZU_LINK_ORDER "")
function(zu_link_order target)
  get_property(done GLOBAL PROPERTY ZU_LINK_ORDER)
  if(target IN_LIST done)
    return()
  endif()
  zu_linked_libraries(${target} linked)
  foreach(dep ${linked})
    if(dep IN_LIST ZU_PACKAGE_LIBRARIES)
      zu_link_order(${dep})
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY ZU_LINK_ORDER ${target})
endfunction()
foreach(lib ${ZU_PACKAGE_LIBRARIES})
  zu_link_order(${lib})
endforeach()
get_property(ZU_LINK_ORDER GLOBAL PROPERTY ZU_LINK_ORDER)
list(REVERSE ZU_LINK_ORDER)

# What zucomponents.pc says for the targets of CMake's find modules: a pkg-config module or a
# linker flag (list name, then value).
set(ZU_PC_OF_PNG::PNG REQUIRES libpng)
set(ZU_PC_OF_ZLIB::ZLIB REQUIRES zlib)
set(ZU_PC_OF_X11::X11 REQUIRES x11)
set(ZU_PC_OF_Freetype::Freetype REQUIRES freetype2)
set(ZU_PC_OF_Fontconfig::Fontconfig REQUIRES fontconfig)
set(ZU_PC_OF_Threads::Threads LIBS_PRIVATE -pthread)

# The system libraries the package needs: pkg-config modules (for Requires.private and for the
# imported targets the CMake package recreates), targets of CMake's find modules (found again by
# their package name) and plain library names or flags (for Libs.private). What cannot be said is
# warned about rather than failing the build; the install test then shows it.
set(ZU_PC_REQUIRES)
set(ZU_PC_LIBS_PRIVATE)
set(ZU_PC_LIBS)
set(ZU_PACKAGE_DEPENDENCIES)
set(ZU_SEEN_DEPENDENCIES)
foreach(lib ${ZU_LINK_ORDER})
  get_target_property(type ${lib} TYPE)
  if(type STREQUAL "STATIC_LIBRARY")
    list(APPEND ZU_PC_LIBS -l${lib})
  endif()
  zu_linked_libraries(${lib} linked)
  foreach(dep ${linked})
    if(dep IN_LIST ZU_PACKAGE_LIBRARIES OR dep IN_LIST ZU_SEEN_DEPENDENCIES)
      continue()
    endif()
    list(APPEND ZU_SEEN_DEPENDENCIES ${dep})
    if(dep MATCHES "^PkgConfig::(.+)$")
      set(prefix ${CMAKE_MATCH_1})
      set(module ${${prefix}_MODULE_NAME})
      if(module)
        list(APPEND ZU_PC_REQUIRES ${module})
        string(APPEND ZU_PACKAGE_DEPENDENCIES "zu_find_module(${prefix} ${module})\n")
      else()
        message(WARNING "${lib} links ${dep}, which names several modules: the package cannot recreate it")
      endif()
    elseif(dep MATCHES "^([^:]+)::")
      # A target of a CMake find module: found again by the same package name.
      string(APPEND ZU_PACKAGE_DEPENDENCIES "find_dependency(${CMAKE_MATCH_1})\n")
      if(DEFINED ZU_PC_OF_${dep})
        # ZU_PC_OF_X::X holds "REQUIRES;module": this appends the module to ZU_PC_REQUIRES.
        list(APPEND ZU_PC_${ZU_PC_OF_${dep}})
      else()
        message(WARNING "${lib} links ${dep}: zucomponents.pc names no library for it (cmake/Install.cmake)")
      endif()
    elseif(dep MATCHES "^[-/]")
      list(APPEND ZU_PC_LIBS_PRIVATE ${dep})  # a linker flag or a library's path
    elseif(dep MATCHES "^\\$<")
      message(WARNING "${lib} links ${dep}: zucomponents.pc names no library for it (cmake/Install.cmake)")
    else()
      list(APPEND ZU_PC_LIBS_PRIVATE -l${dep})
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES ZU_PC_REQUIRES)
list(JOIN ZU_PC_REQUIRES " " ZU_PC_REQUIRES)
list(JOIN ZU_PC_LIBS_PRIVATE " " ZU_PC_LIBS_PRIVATE)
list(JOIN ZU_PC_LIBS " " ZU_PC_LIBS)

foreach(lib ${ZU_PACKAGE_LIBRARIES})
  string(REGEX REPLACE "^zu_" "" exportName ${lib})
  set_target_properties(${lib} PROPERTIES EXPORT_NAME ${exportName})
  # Consumers compile with the language level the headers are written in.
  set_property(TARGET ${lib} APPEND PROPERTY INTERFACE_COMPILE_FEATURES cxx_std_20)
endforeach()
install(TARGETS ${ZU_PACKAGE_LIBRARIES} EXPORT zucomponentsTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
foreach(dir platform lib)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zu/${dir}
          FILES_MATCHING PATTERN "*.h")
endforeach()
install(EXPORT zucomponentsTargets NAMESPACE zu:: DESTINATION ${ZU_PACKAGE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/zucomponentsConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/zucomponentsConfig.cmake INSTALL_DESTINATION ${ZU_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zucomponentsConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zucomponentsConfig.cmake ${PROJECT_BINARY_DIR}/zucomponentsConfigVersion.cmake
        DESTINATION ${ZU_PACKAGE_DIR})

# The pkg-config file finds the prefix from its own place, so an install with --prefix works.
file(RELATIVE_PATH ZU_PC_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" ZU_PC_PREFIX "\${pcfiledir}/${ZU_PC_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/zucomponents.pc.in ${PROJECT_BINARY_DIR}/zucomponents.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zucomponents.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Everything the installation consists of, built by one target (the install test builds it).
add_custom_target(zu_package)
add_dependencies(zu_package ${ZU_PACKAGE_LIBRARIES} zuxml)
