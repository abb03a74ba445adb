# What `cmake --install` puts into the prefix: the library, its headers and Fortran modules, the two
# programs, a CMake package "pelzak" and a pkg-config module "pelzak_aux". Every installed path is
# relative to the prefix, so the tree may be moved (or staged with DESTDIR) as it is.
include(CMakePackageConfigHelpers)

install(TARGETS pelzak_aux pelzak_model EXPORT pelzakTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES auxiliary/include/pelzak_aux.h model/include/pelzak_model.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS pelzak_initial pelzak_md pelzak_lammps RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(PELZAK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/pelzak)
install(EXPORT pelzakTargets NAMESPACE pelzak:: DESTINATION ${PELZAK_CMAKE_DIR})
configure_package_config_file(cmake/pelzakConfig.cmake.in ${PROJECT_BINARY_DIR}/pelzakConfig.cmake
  INSTALL_DESTINATION ${PELZAK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/pelzakConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/pelzakConfig.cmake ${PROJECT_BINARY_DIR}/pelzakConfigVersion.cmake
        DESTINATION ${PELZAK_CMAKE_DIR})

# pkg-config: the prefix as seen from the folder the .pc file lands in.
set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH PELZAK_PC_PREFIX /prefix/${pc_dir} /prefix)
string(REGEX REPLACE "/$" "" PELZAK_PC_PREFIX "${PELZAK_PC_PREFIX}")
if(PELZAK_FORTRAN_MODULE_SUBDIR)
  set(PELZAK_PC_FORTRAN_CFLAGS " -I\${fmoddir}")
else()
  set(PELZAK_PC_FORTRAN_CFLAGS "")
endif()
configure_file(cmake/pelzak_aux.pc.in ${PROJECT_BINARY_DIR}/pelzak_aux.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/pelzak_aux.pc DESTINATION ${pc_dir})
