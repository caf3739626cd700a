# "cmake --install" puts the program in bin/; CPack makes a .tar.gz of the
# Linux build and a .zip of the Windows build, each with the README.
if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME ${QUOVEX_WINDOWS_PACKAGE_NAME})
else()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/quovex)
  set(CPACK_GENERATOR TGZ)
endif()

set(CPACK_PACKAGE_VENDOR "quovex")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
include(CPack)
