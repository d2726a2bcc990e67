# What `cmake --install` puts below the prefix, and the Debian package CPack makes of it:
#   lib/libBasalt.so, lib/libAccessAPI.so      shared libraries with SONAME and version
#   lib/pkgconfig/accessapi.pc                 relocatable pkg-config file of AccessAPI
#   include/AccessAPI.h, VOR_AAA_Interface.h   the two C interfaces
#   bin/basalt-host                            the command-line host
#   share/basalt/home                          the home template the library finds next to itself
#   share/basalt/ldap                          schema (slapd.conf and cn=config forms), access
#                                              rules (both forms), an example namespace LDIF
#   share/basalt/sample                        the sample directory and namespace configuration
#   share/man/man1/basalt-host.1               the manual page
# Libraries go to lib/ (not a multiarch folder): the library finds share/basalt/home as
# <its folder>/../share/basalt/home, and basalt-host finds the provider as ../lib/libBasalt.so.
include(GNUInstallDirs)

set(BASALT_SOVERSION 0)
foreach(library Basalt AccessAPI)
  if(TARGET ${library})
    set_target_properties(${library} PROPERTIES VERSION ${PROJECT_VERSION}
                                                SOVERSION ${BASALT_SOVERSION}
                                                INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${library} LIBRARY DESTINATION lib)
  endif()
endforeach()
if(TARGET basalt-host)
  install(TARGETS basalt-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES include/AccessAPI.h include/VOR_AAA_Interface.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

configure_file(cmake/accessapi.pc.in ${CMAKE_BINARY_DIR}/accessapi.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/accessapi.pc DESTINATION lib/pkgconfig)

install(DIRECTORY data/home/ DESTINATION ${CMAKE_INSTALL_DATADIR}/basalt/home
        PATTERN keys EXCLUDE)
install(DIRECTORY data/sample/ DESTINATION ${CMAKE_INSTALL_DATADIR}/basalt/sample)

# The cn=config schema and both forms of the access rules are made from their one source each
# (ridge.schema, slapd.conf.in), so the installed files never drift from what the tests load.
set(BASALT_LDAP_FORMS ${CMAKE_BINARY_DIR}/share/basalt/ldap)
set(forms_script ${CMAKE_SOURCE_DIR}/cmake/ldap-forms.sh)
add_custom_command(OUTPUT ${BASALT_LDAP_FORMS}/ridge.ldif
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BASALT_LDAP_FORMS}
  COMMAND sh ${forms_script} schema ${CMAKE_SOURCE_DIR}/data/ldap/ridge.schema
          ${BASALT_LDAP_FORMS}/ridge.ldif
  DEPENDS ${forms_script} ${CMAKE_SOURCE_DIR}/data/ldap/ridge.schema VERBATIM)
foreach(form acl-conf acl-ldif)
  string(REPLACE "acl-" "ridge-acl." file ${form})
  add_custom_command(OUTPUT ${BASALT_LDAP_FORMS}/${file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BASALT_LDAP_FORMS}
    COMMAND sh ${forms_script} ${form} ${CMAKE_SOURCE_DIR}/data/ldap/slapd.conf.in
            ${BASALT_LDAP_FORMS}/${file}
    DEPENDS ${forms_script} ${CMAKE_SOURCE_DIR}/data/ldap/slapd.conf.in VERBATIM)
endforeach()
add_custom_target(basalt_ldap_forms ALL DEPENDS ${BASALT_LDAP_FORMS}/ridge.ldif
                  ${BASALT_LDAP_FORMS}/ridge-acl.conf ${BASALT_LDAP_FORMS}/ridge-acl.ldif)
install(FILES data/ldap/ridge.schema data/ldap/ridge-example.ldif
        ${BASALT_LDAP_FORMS}/ridge.ldif ${BASALT_LDAP_FORMS}/ridge-acl.conf
        ${BASALT_LDAP_FORMS}/ridge-acl.ldif
        DESTINATION ${CMAKE_INSTALL_DATADIR}/basalt/ldap)

install(FILES tools/basalt-host/basalt-host.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: `cpack -G DEB` in the build folder writes basalt_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME basalt)
set(CPACK_PACKAGE_VENDOR "Basalt project")
set(CPACK_PACKAGE_CONTACT "Basalt project <basalt@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Ridge directory authentication and directory provider, its LDAP access library and host")
set(CPACK_PACKAGE_DESCRIPTION
    "libBasalt.so lets a host's authentication framework sign users of the Ridge directory on\n"
    "and browse it; libAccessAPI.so reaches the Ridge directory on an LDAP server; basalt-host\n"
    "drives the provider from the command line and checks a namespace configuration. Also the\n"
    "Ridge schema for slapd (slapd.conf and cn=config forms), access rules and examples.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "slapd, ldap-utils")
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
include(CPack)
