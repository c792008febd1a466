# Copies the help sources into the folder that chmcmd compiles, writing the
# product version in place of @LARKMOOR_VERSION@ on the pages that show it.
# Run as: cmake -DSOURCE=<help> -DSTAGE=<build>/help -DVERSION=<version> -P stage-help.cmake
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(GLOB names RELATIVE ${SOURCE} ${SOURCE}/*)
foreach(name IN LISTS names)
  file(READ ${SOURCE}/${name} text)
  string(FIND "${text}" "@LARKMOOR_VERSION@" at)
  if(at EQUAL -1)
    # Byte for byte, as every page without the version must stay.
    file(COPY_FILE ${SOURCE}/${name} ${STAGE}/${name})
  else()
    string(REPLACE "@LARKMOOR_VERSION@" "${VERSION}" text "${text}")
    file(WRITE ${STAGE}/${name} "${text}")
  endif()
endforeach()
