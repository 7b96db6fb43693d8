# What the package says about itself beside the programs:
#   share/doc/corvane/        copyright, changelog.gz, the README, the protocol document and
#                             its example client
#   share/man/man1/           corvane.1.gz, corvane-cli.1.gz, corvane-sim.1.gz, written from
#                             each program's --help by scripts/man-page.sh (help2man)
#   share/corvane/guide/      the user guide and its screenshots, where Help ▸ Help Topics
#                             finds them
set(corvane_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/corvane)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_SOURCE_DIR}/README.md
              ${PROJECT_SOURCE_DIR}/docs/protocol.md
        DESTINATION ${corvane_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/docs/examples/corvane_client.py DESTINATION ${corvane_doc_dir}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md DESTINATION ${CMAKE_INSTALL_DATADIR}/corvane/guide)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images/ DESTINATION ${CMAKE_INSTALL_DATADIR}/corvane/guide/images
        FILES_MATCHING PATTERN "*.png")

# Generated pages: the changelog compressed as Debian keeps it, the man pages from --help. The
# cross build cannot run its programs here, so it has neither.
if(CMAKE_CROSSCOMPILING)
  return()
endif()
find_program(CORVANE_GZIP gzip)
find_program(CORVANE_HELP2MAN help2man)
set(corvane_doc_outputs)
if(CORVANE_GZIP)
  set(changelog_gz ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
  add_custom_command(OUTPUT ${changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND sh -c "\"$0\" -9n < \"$1\" > \"$2\"" ${CORVANE_GZIP} ${PROJECT_SOURCE_DIR}/packaging/changelog ${changelog_gz}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
    COMMENT "Compressing the changelog"
    VERBATIM)
  list(APPEND corvane_doc_outputs ${changelog_gz})
  install(FILES ${changelog_gz} DESTINATION ${corvane_doc_dir})
endif()
if(CORVANE_HELP2MAN AND CORVANE_GZIP)
  set(corvane_man_names
    "corvane=edit, READ, WRITE and watch a two-cylinder engine control module"
    "corvane-cli=read, write, edit and compare engine control module tunes from the command line"
    "corvane-sim=emulated engine control module on a pseudo-terminal, and simulated rides")
  foreach(entry IN LISTS corvane_man_names)
    string(FIND "${entry}" "=" at)
    string(SUBSTRING "${entry}" 0 ${at} program)
    math(EXPR after "${at} + 1")
    string(SUBSTRING "${entry}" ${after} -1 summary)
    if(NOT TARGET ${program})
      continue()
    endif()
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              sh ${PROJECT_SOURCE_DIR}/scripts/man-page.sh $<TARGET_FILE:${program}> ${PROJECT_VERSION} "${summary}" ${page}
      DEPENDS ${program} ${PROJECT_SOURCE_DIR}/scripts/man-page.sh
      COMMENT "Man page of ${program} from its --help"
      VERBATIM)
    list(APPEND corvane_doc_outputs ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(STATUS "help2man or gzip not found: no man pages (scripts/deps.sh installs help2man)")
endif()
# Built with everything else (the package script builds it by name).
add_custom_target(corvane-docs ALL DEPENDS ${corvane_doc_outputs})
