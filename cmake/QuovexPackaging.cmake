# "cmake --install" puts the program in bin/, with the licence and a README
# (on Linux also the manual page and Debian's changelog). CPack makes a
# .tar.gz of the Linux build and a .zip of each Windows build; scripts/release
# makes the reproducible release artifacts from the same install tree.
if(WIN32)
  # A short README for Windows users and the licence, with Windows line ends.
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/README.txt.in README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME ${QUOVEX_WINDOWS_PACKAGE_NAME})
else()
  # The manual page and the changelog carry the project's version, and are
  # compressed as Debian wants them: at the highest level, with no name or
  # time inside, so the same sources give the same bytes.
  find_program(QUOVEX_GZIP gzip REQUIRED)
  set(QUOVEX_MAINTAINER "The quovex developers <developers@quovex.invalid>"
      CACHE STRING "The maintainer the Debian package names")
  configure_file(${PROJECT_SOURCE_DIR}/resources/quovex.1.in quovex.1 @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in changelog @ONLY)
  foreach(document IN ITEMS quovex.1 changelog)
    add_custom_command(OUTPUT ${document}.gz
      COMMAND ${QUOVEX_GZIP} -9nc ${document} > ${document}.gz
      DEPENDS ${PROJECT_BINARY_DIR}/${document}
      WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
  endforeach()
  add_custom_target(quovex_documents ALL DEPENDS quovex.1.gz changelog.gz)

  # The package's control file; scripts/release adds its Installed-Size.
  set(debian_architectures x86_64 amd64 aarch64 arm64)
  list(FIND debian_architectures ${CMAKE_SYSTEM_PROCESSOR} index)
  if(index GREATER_EQUAL 0)
    math(EXPR index "${index} + 1")
    list(GET debian_architectures ${index} QUOVEX_DEBIAN_ARCHITECTURE)
    configure_file(${PROJECT_SOURCE_DIR}/resources/debian/control.in debian/control @ONLY)
  endif()
  install(FILES ${PROJECT_BINARY_DIR}/quovex.1.gz DESTINATION share/man/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/resources/debian/copyright
                ${PROJECT_BINARY_DIR}/changelog.gz
          DESTINATION share/doc/quovex)
  set(CPACK_GENERATOR TGZ)
endif()

set(CPACK_PACKAGE_VENDOR "quovex")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
include(CPack)
