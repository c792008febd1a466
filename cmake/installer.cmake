# The setup program: installer/larkmoor.nsi compiled by makensis (Debian's
# nsis) over the program folder, as larkmoor-<version>-setup-x86.exe for the
# 32-bit build and larkmoor-<version>-setup-x64.exe for the 64-bit one.

find_program(LARKMOOR_MAKENSIS makensis)
if(NOT LARKMOOR_MAKENSIS)
  message(FATAL_ERROR
    "makensis, the compiler of the setup program, was not found.\n"
    "Install it with Debian's package nsis (scripts/setup does), "
    "or name it with -DLARKMOOR_MAKENSIS=/path/to/makensis.")
endif()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(LARKMOOR_SETUP_ARCH x86)
else()
  set(LARKMOOR_SETUP_ARCH x64)
endif()
set(LARKMOOR_SETUP_FILE
    ${CMAKE_BINARY_DIR}/larkmoor-${LARKMOOR_VERSION_TEXT}-setup-${LARKMOOR_SETUP_ARCH}.exe)

add_custom_command(
  OUTPUT ${LARKMOOR_SETUP_FILE}
  COMMAND ${LARKMOOR_MAKENSIS} -V2 -WX
          -DVERSION=${LARKMOOR_VERSION_TEXT}
          -DFILE_VERSION=${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0
          -DARCH=${LARKMOOR_SETUP_ARCH} -DPROGRAM_DIR=${LARKMOOR_PROGRAM_DIR}
          -DOUTFILE=${LARKMOOR_SETUP_FILE}
          ${CMAKE_SOURCE_DIR}/installer/larkmoor.nsi
  DEPENDS ${CMAKE_SOURCE_DIR}/installer/larkmoor.nsi ${CMAKE_SOURCE_DIR}/res/product.h
          ${CMAKE_SOURCE_DIR}/res/larkmoor.ico ${CMAKE_BINARY_DIR}/generated/product_version.h
          larkmoor larkmoor-tool ${LARKMOOR_PROGRAM_DIR}/larkmoorhelp.chm
          ${CMAKE_SOURCE_DIR}/data/larkmoorqtx.txt
  COMMENT "Compiling the setup program ${LARKMOOR_SETUP_FILE}"
  VERBATIM)
add_custom_target(larkmoor_setup ALL DEPENDS ${LARKMOOR_SETUP_FILE})
