# Installation and the Debian package: the public headers, libkelmapi.so
# (versioned), the kelm tool with its bash completion and man page,
# CuratorCommand.exe, a CMake package (find_package(KelmAPI) gives the
# imported target KelmAPI::kelmapi) and a pkg-config file beside it.
# Installed programs carry the RPATH $ORIGIN/../lib (see CMakeLists.txt), so
# any prefix works without LD_LIBRARY_PATH.
include(CMakePackageConfigHelpers)

# library.h, curator.h and tooling.h declare C++ functions of the static core
# for the tools built here; libkelmapi.so does not export them (its ABI is C
# only), so an installed client could not link them: they stay out.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kelmapi DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h"
        PATTERN "library.h" EXCLUDE PATTERN "curator.h" EXCLUDE PATTERN "tooling.h" EXCLUDE)
install(TARGETS kelmapi EXPORT KelmAPITargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
foreach(program kelm curatorcommand)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# ---------------------------------------------------------------- kelm's extras
if(TARGET kelm)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/kelm/kelm-completion.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kelm)
  # The man page is made from the tool's own --help when it is built.
  find_program(KELM_HELP2MAN help2man)
  if(KELM_HELP2MAN)
    set(KELM_MAN_PAGE ${PROJECT_BINARY_DIR}/man/kelm.1)
    add_custom_command(
      OUTPUT ${KELM_MAN_PAGE}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${KELM_HELP2MAN} --no-info --no-discard-stderr --section=1
              "--name=command-line client of the KelmAPI library component"
              --version-string=${PROJECT_VERSION} --output=${KELM_MAN_PAGE} $<TARGET_FILE:kelm>
      DEPENDS kelm
      COMMENT "Man page kelm.1 from kelm --help"
      VERBATIM)
    add_custom_target(kelm-man ALL DEPENDS ${KELM_MAN_PAGE})
    install(FILES ${KELM_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    message(STATUS "help2man not found: no man page for kelm (scripts/install-deps installs it)")
  endif()
endif()

# ---------------------------------------------------------------- CMake package
set(KELM_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KelmAPI)
install(EXPORT KelmAPITargets NAMESPACE KelmAPI:: DESTINATION ${KELM_PACKAGE_DIR})
file(WRITE ${PROJECT_BINARY_DIR}/KelmAPIConfig.cmake.in
     "@PACKAGE_INIT@\ninclude(\"\${CMAKE_CURRENT_LIST_DIR}/KelmAPITargets.cmake\")\n")
configure_package_config_file(${PROJECT_BINARY_DIR}/KelmAPIConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/KelmAPIConfig.cmake
                              INSTALL_DESTINATION ${KELM_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KelmAPIConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KelmAPIConfig.cmake ${PROJECT_BINARY_DIR}/KelmAPIConfigVersion.cmake
        DESTINATION ${KELM_PACKAGE_DIR})

# ---------------------------------------------------------------- pkg-config
# Relocatable: the prefix is found from the file's own place.
file(RELATIVE_PATH KELM_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
file(WRITE ${PROJECT_BINARY_DIR}/kelmapi.pc
"prefix=\${pcfiledir}/${KELM_PC_TO_PREFIX}
libdir=\${prefix}/${CMAKE_INSTALL_LIBDIR}
includedir=\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}

Name: KelmAPI
Description: ${PROJECT_DESCRIPTION}
Version: ${PROJECT_VERSION}
Libs: -L\${libdir} -lkelmapi
Cflags: -I\${includedir}
")
install(FILES ${PROJECT_BINARY_DIR}/kelmapi.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# ---------------------------------------------------------------- Debian package
# cpack -G DEB (in the build folder): one package with all of the above.
set(CPACK_PACKAGE_NAME kelmapi)
set(CPACK_PACKAGE_VENDOR "KelmAPI")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "libkelmapi.so, its headers, CMake and pkg-config files, the kelm command-line tool (with bash completion and man page) and CuratorCommand.exe.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "KelmAPI developers <kelmapi@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
