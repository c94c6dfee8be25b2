# zu_public_headers(HEADER ...): the headers of the current folder that users include. The install
# puts these in the package together with every header of the tree they include, directly or not
# (cmake/InstallHeaders.cmake follows the #include lines when the install runs), and no other
# header of the folder: implementation headers stay out without being named. A folder that declares
# none installs all its headers.
function(zu_public_headers)
  foreach(header ${ARGN})
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${header})
      message(FATAL_ERROR "zu_public_headers: no ${header} in ${CMAKE_CURRENT_SOURCE_DIR}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY ZU_PUBLIC_HEADERS ${CMAKE_CURRENT_SOURCE_DIR}/${header})
  endforeach()
endfunction()
