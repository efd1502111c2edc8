# Installation: the public headers, libkelmapi.so (versioned), the kelm tool
# when it is built, and a CMake package so that find_package(KelmAPI) gives
# the imported target KelmAPI::kelmapi.
include(CMakePackageConfigHelpers)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kelmapi DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
install(TARGETS kelmapi EXPORT KelmAPITargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET kelm)
  install(TARGETS kelm RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

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
