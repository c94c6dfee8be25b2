# Installation: the serializer's libraries and the framework libraries it stands on, their headers
# under include/zu keeping the tree's paths, and the CMake package zucomponents, so that another
# project writes find_package(zucomponents) and links zu::xml.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ZU_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zucomponents)
set(ZU_PACKAGE_LIBRARIES zu_system zu_typinfo zu_classes zu_xml)
set(ZU_PACKAGE_HEADER_DIRS platform/system platform/typinfo platform/classes lib/xml)

foreach(lib ${ZU_PACKAGE_LIBRARIES})
  string(REGEX REPLACE "^zu_" "" exportName ${lib})
  set_target_properties(${lib} PROPERTIES EXPORT_NAME ${exportName})
endforeach()
install(TARGETS ${ZU_PACKAGE_LIBRARIES} EXPORT zucomponentsTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
foreach(dir ${ZU_PACKAGE_HEADER_DIRS})
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
