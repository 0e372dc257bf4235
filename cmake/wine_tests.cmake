# The test programs run under Wine, in a prefix of the build's architecture made once in the
# build folder.
set(QUON_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
set(QUON_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
add_custom_command(
  OUTPUT ${QUON_WINEPREFIX}/.quon-ready
  COMMAND ${CMAKE_COMMAND} -E env QUON_WINE_ARCH=${QUON_WINE_ARCH}
          ${QUON_WINE_RUN} ${QUON_WINEPREFIX} --prepare
  COMMENT "Making the Wine prefix"
  VERBATIM)
add_custom_target(quon_wineprefix DEPENDS ${QUON_WINEPREFIX}/.quon-ready)

