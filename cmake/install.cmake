# Installation and packages. Two components, as distributions split a library:
#   lib  the shared library with its catalogues and default settings, and the qdtype tool;
#   dev  the headers, the link name libqdtype32.so, the CMake package and qdtype32.pc.
include(CMakePackageConfigHelpers)

set(QD_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qdtype32)
set(QD_PKGCONFIG_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(TARGETS qdtype32 EXPORT qdtype32Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lib)
install(TARGETS qdtype RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lib)
install(FILES ${PROJECT_SOURCE_DIR}/share/qderror.h ${PROJECT_SOURCE_DIR}/share/qdfid.h
              ${PROJECT_SOURCE_DIR}/share/qdwin.ini
        DESTINATION ${QD_DATA_INSTALL_DIR} COMPONENT lib)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/qdtype32
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)

# find_package(qdtype32 CONFIG): the imported target qdtype32::qdtype32.
install(EXPORT qdtype32Targets NAMESPACE qdtype32:: DESTINATION ${QD_CMAKE_INSTALL_DIR}
        COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/qdtype32Config.cmake.in
  ${PROJECT_BINARY_DIR}/qdtype32Config.cmake INSTALL_DESTINATION ${QD_CMAKE_INSTALL_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qdtype32ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qdtype32Config.cmake
              ${PROJECT_BINARY_DIR}/qdtype32ConfigVersion.cmake
        DESTINATION ${QD_CMAKE_INSTALL_DIR} COMPONENT dev)

# pkg-config: paths relative to the .pc file, so a moved or repackaged tree still works.
file(RELATIVE_PATH QD_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${QD_PKGCONFIG_INSTALL_DIR}
     ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" QD_PC_TO_PREFIX "${QD_PC_TO_PREFIX}")
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(QD_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(QD_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/qdtype32.pc.in ${PROJECT_BINARY_DIR}/qdtype32.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qdtype32.pc DESTINATION ${QD_PKGCONFIG_INSTALL_DIR}
        COMPONENT dev)

# cpack: a .deb per component (qdtype32, qdtype32-dev) and one .tar.gz of the whole tree.
set(CPACK_PACKAGE_NAME qdtype32)
set(CPACK_PACKAGE_VENDOR "Quarendel")
set(CPACK_PACKAGE_CONTACT "Quarendel developers <dev@quarendel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Type library of the Quarendel SQL database system")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_COMPONENTS_ALL lib dev)
set(CPACK_COMPONENT_LIB_DESCRIPTION "shared library, message catalogues and the qdtype tool")
set(CPACK_COMPONENT_DEV_DESCRIPTION "headers, CMake package and pkg-config file")
set(CPACK_COMPONENT_DEV_DEPENDS lib)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_LIB_PACKAGE_NAME qdtype32)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME qdtype32-dev)
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
find_program(QD_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QD_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_LIB_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
endif()
include(CPack)
