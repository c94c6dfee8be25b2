# Installation: every library of platform/ and lib/ (cmake/Targets.cmake) with its public headers
# under include/zu (keeping the tree's paths), zuVersion.h, the zuxml tool, the CMake package
# zucomponents (one component per library, zu::system ... zu::xml) and the pkg-config file
# zucomponents.pc. Libraries and the system libraries they link are read from the targets, so a
# library added to the tree is packaged without a change here.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ZU_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zucomponents)

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

# The libraries each after those it links (the order the package loads its components in), from a
# depth-first walk that records a library once all it links is recorded; reversed, the order of a
# static link line (each before the libraries it needs).
set_property(GLOBAL PROPERTY ZU_LOAD_ORDER "")
function(zu_load_order target)
  get_property(done GLOBAL PROPERTY ZU_LOAD_ORDER)
  if(target IN_LIST done)
    return()
  endif()
  zu_linked_libraries(${target} linked)
  foreach(dep ${linked})
    if(dep IN_LIST ZU_PACKAGE_LIBRARIES)
      zu_load_order(${dep})
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY ZU_LOAD_ORDER ${target})
endfunction()
foreach(lib ${ZU_PACKAGE_LIBRARIES})
  zu_load_order(${lib})
endforeach()
get_property(ZU_LOAD_ORDER GLOBAL PROPERTY ZU_LOAD_ORDER)
set(ZU_LINK_ORDER ${ZU_LOAD_ORDER})
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
# warned about rather than failing the build; the install test then shows it. ZU_NEEDS_<lib> keeps
# what the package must find for one library: PREFIX=module for a pkg-config module, else the name
# of a CMake package.
set(ZU_PC_REQUIRES)
set(ZU_PC_LIBS_PRIVATE)
set(ZU_PC_LIBS)
foreach(lib ${ZU_LINK_ORDER})
  get_target_property(type ${lib} TYPE)
  if(type STREQUAL "STATIC_LIBRARY")
    list(APPEND ZU_PC_LIBS -l${lib})
  endif()
  set(ZU_LINKS_${lib})
  set(ZU_NEEDS_${lib})
  zu_linked_libraries(${lib} linked)
  foreach(dep ${linked})
    if(dep IN_LIST ZU_PACKAGE_LIBRARIES)
      get_target_property(name ${dep} EXPORT_NAME)
      list(APPEND ZU_LINKS_${lib} ${name})
    elseif(dep MATCHES "^PkgConfig::(.+)$")
      set(prefix ${CMAKE_MATCH_1})
      set(module ${${prefix}_MODULE_NAME})
      if(module)
        list(APPEND ZU_PC_REQUIRES ${module})
        list(APPEND ZU_NEEDS_${lib} "${prefix}=${module}")
      else()
        message(WARNING "${lib} links ${dep}, which names several modules: the package cannot recreate it")
      endif()
    elseif(dep MATCHES "^([^:]+)::")
      # A target of a CMake find module: found again by the same package name.
      list(APPEND ZU_NEEDS_${lib} ${CMAKE_MATCH_1})
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
foreach(list ZU_PC_REQUIRES ZU_PC_LIBS_PRIVATE)
  list(REMOVE_DUPLICATES ${list})
  list(JOIN ${list} " " ${list})
endforeach()
list(JOIN ZU_PC_LIBS " " ZU_PC_LIBS)

# An install from a build that lacks a part of the package stops before it copies anything, rather
# than leaving a half-filled prefix: the files of zu_package must all be there.
set(ZU_PACKAGE_FILES)
foreach(target ${ZU_PACKAGE_LIBRARIES} zuxml)
  if(TARGET ${target})
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      list(APPEND ZU_PACKAGE_FILES "$<TARGET_FILE:${target}>")
    endif()
  endif()
endforeach()
install(CODE "foreach(file ${ZU_PACKAGE_FILES})
  if(NOT EXISTS \${file})
    message(FATAL_ERROR \"\${file} is not built: build the target zu_package before installing \"
                        \"(cmake --build ${PROJECT_BINARY_DIR} --target zu_package)\")
  endif()
endforeach()")

# One export set and one component per library, so that find_package(zucomponents COMPONENTS xml)
# loads the serializer and what it links, and looks for no system library the rest needs. The
# package config reads this table: the components in load order (each after those it links), and
# per component the components it links and the system libraries it needs.
set(ZU_COMPONENT_TABLE)
set(ZU_COMPONENTS)
foreach(lib ${ZU_LOAD_ORDER})
  get_target_property(name ${lib} EXPORT_NAME)
  list(APPEND ZU_COMPONENTS ${name})
  string(APPEND ZU_COMPONENT_TABLE "set(_zu_links_${name} ${ZU_LINKS_${lib}})\n"
                                   "set(_zu_needs_${name} ${ZU_NEEDS_${lib}})\n")
  install(TARGETS ${lib} EXPORT zucomponents-${name} ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(EXPORT zucomponents-${name} NAMESPACE zu:: FILE zucomponents-${name}-targets.cmake
          DESTINATION ${ZU_PACKAGE_DIR})
endforeach()
string(PREPEND ZU_COMPONENT_TABLE "set(_zu_components ${ZU_COMPONENTS})\n")

# The headers: each folder's public ones and what they include (cmake/PublicHeaders.cmake), and the
# version header.
set(ZU_HEADER_ROOTS)
function(zu_header_roots dir)
  get_property(declared DIRECTORY ${dir} PROPERTY ZU_PUBLIC_HEADERS)
  get_property(libs DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  if(declared)
    list(APPEND ZU_HEADER_ROOTS ${declared})
  elseif(libs)
    list(APPEND ZU_HEADER_ROOTS ${dir}/*.h)
  endif()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    zu_header_roots(${sub})
  endforeach()
  set(ZU_HEADER_ROOTS ${ZU_HEADER_ROOTS} PARENT_SCOPE)
endfunction()
zu_header_roots(${PROJECT_SOURCE_DIR}/platform)
zu_header_roots(${PROJECT_SOURCE_DIR}/lib)
set(ZU_HEADER_DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zu)
install(CODE "set(ZU_ROOT \"${ZU_ROOT}\")
set(ZU_HEADER_ROOTS \"${ZU_HEADER_ROOTS}\")
set(ZU_HEADER_DESTINATION \"${ZU_HEADER_DESTINATION}\")
include(\"${CMAKE_CURRENT_LIST_DIR}/InstallHeaders.cmake\")")
install(FILES ${ZU_GENERATED_INCLUDE}/zuVersion.h DESTINATION ${ZU_HEADER_DESTINATION})

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

# Everything the installation consists of, built by one target: `cmake --build build --target
# zu_package` before `cmake --install build` (the install test does the same).
add_custom_target(zu_package)
add_dependencies(zu_package ${ZU_PACKAGE_LIBRARIES})
if(TARGET zuxml)
  install(TARGETS zuxml)
  add_dependencies(zu_package zuxml)
endif()
