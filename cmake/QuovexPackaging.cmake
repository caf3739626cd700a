# What "cmake --install" puts where GNUInstallDirs says: the program, and on
# Linux its manual page, the README and the licence. The Debian package's own
# documents, its copyright file and changelog, are the install component
# "debian", which only scripts/release asks for, for the .deb. scripts/release
# makes every release archive from these install trees.
include(GNUInstallDirs)

if(WIN32)
  # Beside bin\, a short README for Windows users and the licence, with
  # Windows line ends.
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/README.txt.in README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION .)
  return()
endif()

# The manual page and the changelog are compressed as Debian wants them: at
# the highest level, with no name or time inside, so the same sources give
# the same bytes.
find_program(QUOVEX_GZIP gzip REQUIRED)
configure_file(${PROJECT_SOURCE_DIR}/resources/quovex.1.in quovex.1 @ONLY)
add_custom_command(OUTPUT quovex.1.gz
  COMMAND ${QUOVEX_GZIP} -9nc quovex.1 > quovex.1.gz
  DEPENDS ${PROJECT_BINARY_DIR}/quovex.1
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
add_custom_command(OUTPUT changelog.gz
  COMMAND ${QUOVEX_GZIP} -9nc ${PROJECT_SOURCE_DIR}/resources/debian/changelog > changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/debian/changelog
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
add_custom_target(quovex_documents ALL DEPENDS quovex.1.gz changelog.gz)

install(FILES ${PROJECT_BINARY_DIR}/quovex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)

# The package's control file, for the processors Debian has a name for;
# scripts/release adds its Installed-Size.
set(QUOVEX_MAINTAINER "The quovex developers <developers@quovex.invalid>"
    CACHE STRING "The maintainer the Debian package names")
if(QUOVEX_PROCESSOR STREQUAL "x86_64")
  set(QUOVEX_DEBIAN_ARCHITECTURE amd64)
elseif(QUOVEX_PROCESSOR STREQUAL "aarch64")
  set(QUOVEX_DEBIAN_ARCHITECTURE arm64)
endif()
# The description's last paragraph says how this build links.
if(QUOVEX_RUNTIME_FREE)
  set(QUOVEX_DEBIAN_BUILD "It links no C runtime: it is a small static position-independent\n executable with its own entry point and direct system calls.")
elseif(QUOVEX_STATIC_PIE OR QUOVEX_STATIC_LINK)
  set(QUOVEX_DEBIAN_BUILD "It is a static executable over the C library.")
else()
  set(QUOVEX_DEBIAN_BUILD "It is linked dynamically against the C library.")
endif()
if(QUOVEX_DEBIAN_ARCHITECTURE)
  configure_file(${PROJECT_SOURCE_DIR}/resources/debian/control.in debian/control @ONLY)
endif()
