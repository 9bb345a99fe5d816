# Runs when installing: writes the desktop entry with the installed program's full path, which
# depends on the prefix chosen then (--prefix, or /usr for the package). Set by the caller:
# KORA_DESKTOP_TEMPLATE, KORA_DESKTOP_STAGING (a file in the build tree), KORA_BINDIR and
# KORA_APPLICATIONS_DIR (relative to the prefix).
set(program "${CMAKE_INSTALL_PREFIX}/${KORA_BINDIR}/kora7740p-utility")
set(KORA_TRY_EXEC "${program}")
set(KORA_EXEC "${program}")
# Exec splits at blanks unless the program is quoted; TryExec takes the path as it is.
if(program MATCHES "[ \t]")
  set(KORA_EXEC "\"${program}\"")
endif()
configure_file("${KORA_DESKTOP_TEMPLATE}" "${KORA_DESKTOP_STAGING}" @ONLY)
file(INSTALL "${KORA_DESKTOP_STAGING}"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${KORA_APPLICATIONS_DIR}")
