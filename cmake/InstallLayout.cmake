# Where an install puts each part, below the prefix, and the relative paths between those
# folders. The libraries find their catalogues, plug-ins and scanner relative to their own
# file and the programs find the libraries through $ORIGIN, so an installed tree works from
# wherever it is unpacked: a temporary prefix, a scratch root, /usr.
set(PLOTVANE_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/plotvane)
set(PLOTVANE_INSTALL_HELPERDIR ${CMAKE_INSTALL_LIBDIR}/plotvane)
set(PLOTVANE_INSTALL_PLUGINDIR ${PLOTVANE_INSTALL_HELPERDIR}/diagram_plugins)
set(PLOTVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Plotvane)
set(PLOTVANE_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(PLOTVANE_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/plotvane)

# plotvane_relative_path(<var> <from> <to>): the path from one install folder to another.
function(plotvane_relative_path var from to)
  file(RELATIVE_PATH relative /prefix/${from} /prefix/${to})
  string(REGEX REPLACE "/$" "" relative "${relative}")
  if(relative STREQUAL "")
    set(relative .)
  endif()
  set(${var} ${relative} PARENT_SCOPE)
endfunction()

plotvane_relative_path(PLOTVANE_LIB_TO_LOCALE ${CMAKE_INSTALL_LIBDIR} ${CMAKE_INSTALL_LOCALEDIR})
plotvane_relative_path(PLOTVANE_LIB_TO_HELPER ${CMAKE_INSTALL_LIBDIR} ${PLOTVANE_INSTALL_HELPERDIR})
plotvane_relative_path(PLOTVANE_LIB_TO_PLUGIN ${CMAKE_INSTALL_LIBDIR} ${PLOTVANE_INSTALL_PLUGINDIR})
plotvane_relative_path(PLOTVANE_BIN_TO_LIB ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_LIBDIR})
plotvane_relative_path(PLOTVANE_BIN_TO_DATA ${CMAKE_INSTALL_BINDIR} ${PLOTVANE_INSTALL_DATADIR})
plotvane_relative_path(PLOTVANE_PLUGIN_TO_LIB ${PLOTVANE_INSTALL_PLUGINDIR} ${CMAKE_INSTALL_LIBDIR})
plotvane_relative_path(PKGCONFIG_TO_PREFIX ${PLOTVANE_INSTALL_PKGCONFIGDIR} .)
