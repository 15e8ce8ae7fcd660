# Installation and the Debian package.
#
#   cmake --install build/default --prefix /opt/dictation-agent     bin/dictation-agent, ...
#   (cd build/default && cpack -G DEB)                              dictation-agent_<v>_<arch>.deb
#
# Installed layout under the prefix:
#   bin/dictation-agent
#   libexec/dictation-agent/dictation-agent-recognizer   (where the build has that helper)
#   share/dictation-agent/models/                        models added by the user or the admin
#   share/man/man1/dictation-agent.1.gz
#   share/doc/dictation-agent/                           protocol guide and event schema
include(GNUInstallDirs)

install(TARGETS dictation-agent RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET dictation-agent-recognizer)
  # The agent finds its helper from its own real location: beside itself, then here.
  install(TARGETS dictation-agent-recognizer
          RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/dictation-agent)
endif()

# The agent looks for models in <prefix>/share/dictation-agent/models, found from its own real
# location; the folder comes with a note on what goes into it.
install(FILES cmake/models-README.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/dictation-agent/models
        RENAME README)

set(AGENT_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/dictation-agent.1.gz)
find_program(AGENT_GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${AGENT_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/dictation-agent.1
          ${CMAKE_CURRENT_BINARY_DIR}/dictation-agent.1
  COMMAND ${AGENT_GZIP} -9 -n -f ${CMAKE_CURRENT_BINARY_DIR}/dictation-agent.1
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/dictation-agent.1
  COMMENT "Compressing the man page"
  VERBATIM)
add_custom_target(agent_man_page ALL DEPENDS ${AGENT_MAN_PAGE})
install(FILES ${AGENT_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES docs/protocol.md docs/events.schema.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dictation-agent)

if(NOT APPLE)
  set(CPACK_PACKAGE_NAME dictation-agent)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_CONTACT "dictation-agent developers <dictation-agent@localhost>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "on-device dictation for host applications")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
A host application starts dictation-agent as a child process; the agent captures the
default microphone, recognises the speech on this machine with pocketsphinx and reports
the growing transcript and the final text as JSON lines on its standard output.")
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  # dpkg-shlibdeps adds what the executables link (libc, libstdc++, ...). The libraries loaded at
  # run time and the English model are declared by hand, since it cannot see them.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libpulse0, libpocketsphinx3, libsphinxbase3, pocketsphinx-en-us, libsoxr0, libutf8proc2")
  set(CPACK_GENERATOR DEB)
  include(CPack)
endif()
