# SPDX-FileCopyrightText: 2026 The Corvane developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# What a Debian user expects beside the program: the copyright file, the
# changelog and the manual page, installed gzipped without timestamps so that
# two builds of the same source make the same package.

set(CORVANE_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/corvane)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CORVANE_DOCDIR})

set(corvane_changelog ${CMAKE_CURRENT_LIST_DIR}/changelog)
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${corvane_changelog} ${CMAKE_CURRENT_BINARY_DIR}/changelog
  COMMAND gzip -9nf ${CMAKE_CURRENT_BINARY_DIR}/changelog
  DEPENDS ${corvane_changelog}
  VERBATIM)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${CORVANE_DOCDIR})

# A release is dated by its changelog entry, and so is its manual page.
file(STRINGS ${corvane_changelog} corvane_trailer REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX REPLACE "^ -- .*>  " "" corvane_release_date "${corvane_trailer}")
execute_process(COMMAND date -u -d "${corvane_release_date}" +%s
  OUTPUT_VARIABLE corvane_release_epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

# The options part of the page is the program's own --help, so the two cannot
# drift apart; the rest is written by hand in corvane.h2m.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(corvane_h2m ${CMAKE_CURRENT_LIST_DIR}/corvane.h2m)
  add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/corvane.1.gz
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${corvane_release_epoch}
      ${HELP2MAN} --no-info --section=1 --include=${corvane_h2m} --output=${CMAKE_CURRENT_BINARY_DIR}/corvane.1
      $<TARGET_FILE:corvane>
    COMMAND gzip -9nf ${CMAKE_CURRENT_BINARY_DIR}/corvane.1
    DEPENDS corvane ${corvane_h2m}
    VERBATIM)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/corvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(corvane_manpage ${CMAKE_CURRENT_BINARY_DIR}/corvane.1.gz)
else()
  message(WARNING "help2man not found: no manual page (Debian package help2man)")
endif()
add_custom_target(corvane_docs ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz ${corvane_manpage})
