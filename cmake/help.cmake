# The help file: the HTML pages, table of contents and index in help/ are
# compiled into larkmoorhelp.chm by chmcmd (Debian's fp-utils), checked to
# hold every page of their table of contents, and copied into the program
# folder beside larkmoor.exe, where the Help command opens them.

find_program(LARKMOOR_CHMCMD chmcmd)
if(NOT LARKMOOR_CHMCMD)
  message(FATAL_ERROR
    "chmcmd, the compiler of the help file larkmoorhelp.chm, was not found.\n"
    "Install it with Debian's package fp-utils (scripts/setup does), "
    "or name it with -DLARKMOOR_CHMCMD=/path/to/chmcmd.")
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(LARKMOOR_HELP_SOURCE ${CMAKE_SOURCE_DIR}/help)
set(LARKMOOR_HELP_STAGE ${CMAKE_BINARY_DIR}/help)
set(LARKMOOR_HELP_FILE ${CMAKE_BINARY_DIR}/larkmoorhelp.chm)
file(GLOB LARKMOOR_HELP_SOURCES CONFIGURE_DEPENDS ${LARKMOOR_HELP_SOURCE}/*)

# chmcmd writes its output beside the project, so it compiles a copy of the
# sources in the build folder and leaves the source tree untouched; the copy
# carries the product version where the pages show it. The compiled file only
# takes its place once the check has passed.
add_custom_command(
  OUTPUT ${LARKMOOR_HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${LARKMOOR_HELP_SOURCE} -DSTAGE=${LARKMOOR_HELP_STAGE}
          -DVERSION=${LARKMOOR_VERSION_TEXT} -P ${CMAKE_SOURCE_DIR}/cmake/stage-help.cmake
  COMMAND ${CMAKE_COMMAND} -E chdir ${LARKMOOR_HELP_STAGE}
          ${LARKMOOR_CHMCMD} --no-html-scan larkmoorhelp.hhp
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/check-help --build
          --chm ${LARKMOOR_HELP_STAGE}/larkmoorhelp.chm --pages ${LARKMOOR_HELP_STAGE}
  COMMAND ${CMAKE_COMMAND} -E copy ${LARKMOOR_HELP_STAGE}/larkmoorhelp.chm ${LARKMOOR_HELP_FILE}
  DEPENDS ${LARKMOOR_HELP_SOURCES} ${CMAKE_SOURCE_DIR}/scripts/check-help
          ${CMAKE_SOURCE_DIR}/cmake/stage-help.cmake ${CMAKE_BINARY_DIR}/generated/product_version.h
  COMMENT "Compiling and checking the help file larkmoorhelp.chm"
  VERBATIM)

add_custom_command(
  OUTPUT ${LARKMOOR_PROGRAM_DIR}/larkmoorhelp.chm
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LARKMOOR_PROGRAM_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${LARKMOOR_HELP_FILE} ${LARKMOOR_PROGRAM_DIR}/larkmoorhelp.chm
  DEPENDS ${LARKMOOR_HELP_FILE}
  VERBATIM)

add_custom_target(larkmoor_help ALL DEPENDS ${LARKMOOR_PROGRAM_DIR}/larkmoorhelp.chm)
# Building the program builds its help file too, so the program folder is
# complete whichever target is asked for.
add_dependencies(larkmoor larkmoor_help)
