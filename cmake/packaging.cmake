# Install rules of the show and its Debian package (`cpack -G DEB`, which
# package.sh runs): the program in lib/veldrakin, its pictures and music in
# share/veldrakin, the `veldrakin` command (packaging/veldrakin.sh.in) that
# runs it from a per-user folder, a desktop entry and the generator's icon.
# The package's dependencies are computed from the program by dpkg-shlibdeps.
# Configure with -DCMAKE_INSTALL_PREFIX=/usr for a package; package.sh also
# sets VELDRAKIN_VERSION. A cross build for another Linux architecture (the
# aarch64 one) has no generator of its own: VELDRAKIN_HOST_TREE names the
# build machine's tree whose data folder and icon (target package_icon) it
# packages, and the package gets the target's architecture.
set(VELDRAKIN_HOST_TREE "" CACHE PATH "Build machine's tree with the data and the icon (cross builds)")
if(WIN32)
  return()
elseif(TARGET veldrakin-assets)
  set(vdk_package_data ${VELDRAKIN_SHOW_DIR})
elseif(CMAKE_CROSSCOMPILING AND VELDRAKIN_HOST_TREE)
  set(vdk_package_data ${VELDRAKIN_HOST_TREE}/show)
else()
  return()  # the data and the icon come from the Linux generator
endif()
include(GNUInstallDirs)
set(VELDRAKIN_VERSION "0.0" CACHE STRING "Version of the release files")
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  set(vdk_deb_arch arm64)
else()
  set(vdk_deb_arch amd64)
endif()

set(vdk_package_dir ${CMAKE_BINARY_DIR}/package)
set(vdk_data_dest ${CMAKE_INSTALL_DATADIR}/veldrakin)
set(vdk_program_dest lib/veldrakin)  # a private program: only the command runs it
set(VDK_INSTALL_DATA_DIR ${CMAKE_INSTALL_PREFIX}/${vdk_data_dest})
set(VDK_INSTALL_PROGRAM ${CMAKE_INSTALL_PREFIX}/${vdk_program_dest}/veldrakin)
configure_file(${CMAKE_SOURCE_DIR}/packaging/veldrakin.sh.in ${vdk_package_dir}/veldrakin @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/veldrakin.desktop.in
  ${vdk_package_dir}/veldrakin.desktop COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/readme.sh)
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/packaging/readme.sh deb ${VELDRAKIN_VERSION} ${vdk_deb_arch}
  OUTPUT_FILE ${vdk_package_dir}/README.txt COMMAND_ERROR_IS_FATAL ANY)

if(TARGET veldrakin-assets)
  set(vdk_icon ${vdk_package_dir}/veldrakin.png)
  add_custom_command(OUTPUT ${vdk_icon}
    COMMAND $<TARGET_FILE:veldrakin-assets> --icon ${vdk_icon}
    DEPENDS veldrakin-assets
    COMMENT "Drawing the desktop icon"
    VERBATIM)
  add_custom_target(package_icon ALL DEPENDS ${vdk_icon})
else()
  set(vdk_icon ${VELDRAKIN_HOST_TREE}/package/veldrakin.png)
endif()

install(TARGETS veldrakin RUNTIME DESTINATION ${vdk_program_dest})
install(DIRECTORY ${vdk_package_data}/music ${vdk_package_data}/_glimmerock
  DESTINATION ${vdk_data_dest} PATTERN "*.part" EXCLUDE)
install(PROGRAMS ${vdk_package_dir}/veldrakin DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${vdk_package_dir}/veldrakin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${vdk_icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${vdk_package_dir}/README.txt DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veldrakin)
set(CPACK_PACKAGE_VERSION ${VELDRAKIN_VERSION})
set(CPACK_PACKAGE_VENDOR Quorvane)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual show")
set(CPACK_PACKAGE_DESCRIPTION "Veldrakin is a demo: one music track and twenty effects computed \
pixel by pixel on the processor into a 320 x 240 picture, in step with the music, stretched over \
the whole screen. Start it with the veldrakin command or from the desktop's menu; Escape or a \
left click end it.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # veldrakin_<version>_<architecture>.deb
if(CMAKE_CROSSCOMPILING)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${vdk_deb_arch})  # not the build machine's
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorvane <veldrakin@quorvane.invalid>")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
