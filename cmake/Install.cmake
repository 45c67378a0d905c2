# Install rules and packages: a .deb on Linux, a .zip on Windows, each with the programs, the
# README, the docs and the schemas of both databases.

# The program list for scripts that check or copy the programs, one file name per line.
list(TRANSFORM JOBFEED_PROGRAMS REPLACE "^(.+)$" "$<TARGET_FILE_NAME:\\1>" OUTPUT_VARIABLE names)
list(JOIN names "\n" names)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/programs.txt CONTENT "${names}\n")

if(WIN32)
  # The zip unpacks to one folder: the .exe files at its top, beside the README.
  set(bin_dir .)
  set(doc_dir .)
  set(schema_dir schema)
else()
  include(GNUInstallDirs)
  set(bin_dir ${CMAKE_INSTALL_BINDIR})
  set(doc_dir ${CMAKE_INSTALL_DOCDIR})
  set(schema_dir ${CMAKE_INSTALL_DATADIR}/jobfeed/schema)
endif()

install(TARGETS ${JOBFEED_PROGRAMS} RUNTIME DESTINATION ${bin_dir})
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${doc_dir})
if(NOT WIN32)
  # Every Debian package names its copyright in its documentation folder.
  install(FILES ${CMAKE_SOURCE_DIR}/cmake/copyright DESTINATION ${doc_dir})
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${doc_dir}/docs)
# Generated from the schema description (jobfeed-admin print-ddl) and kept equal to it by a test.
install(FILES ${CMAKE_SOURCE_DIR}/db/schema/oracle.sql ${CMAKE_SOURCE_DIR}/db/schema/sqlite.sql
        ${CMAKE_SOURCE_DIR}/db/schema/postgres.sql DESTINATION ${schema_dir})

set(CPACK_PACKAGE_NAME jobfeed)
set(CPACK_PACKAGE_VENDOR jobfeed)
set(CPACK_PACKAGE_CONTACT "jobfeed maintainers <jobfeed@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Download program of a shop-floor data collection system: order data to the terminals")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME jobfeed-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  # Dependencies (libsqlite3, libstdc++) as dpkg-shlibdeps finds them in the programs; libpq,
  # which the programs load only for a PostgreSQL site, named here as shlibdeps cannot see it.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpq5 (>= 14)")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
