# Installation of the demo and its tools (component `demo`): the demo itself in
# <libexec>/fogliame with a launcher <bin>/fogliame that starts it in <datadir>/fogliame, where
# its three pictures lie; fogliame-snapshot (and fogliame-export where it is built) in <bin>; a
# desktop entry. The library installs itself (brevra/CMakeLists.txt: components runtime, dev).

if(TARGET fogliame)
  install(TARGETS fogliame RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/fogliame
    COMPONENT demo)
  file(RELATIVE_PATH FOGLIAME_BIN_TO_DATA /p/${CMAKE_INSTALL_BINDIR}
    /p/${CMAKE_INSTALL_DATADIR}/fogliame)
  file(RELATIVE_PATH FOGLIAME_BIN_TO_LIBEXEC /p/${CMAKE_INSTALL_BINDIR}
    /p/${CMAKE_INSTALL_LIBEXECDIR}/fogliame)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/fogliame.sh.in
    ${CMAKE_BINARY_DIR}/packaging/fogliame @ONLY)
  install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/fogliame DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT demo)
  install(FILES ${CMAKE_BINARY_DIR}/bin/Floor04.bmp ${CMAKE_BINARY_DIR}/bin/corteccia02.bmp
    ${CMAKE_BINARY_DIR}/bin/acacia.tga
    DESTINATION ${CMAKE_INSTALL_DATADIR}/fogliame COMPONENT demo)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/fogliame.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT demo)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/fogliame.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT demo)
endif()
if(TARGET fogliame-snapshot)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/fogliame-snapshot.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT demo)
endif()
foreach(tool fogliame-snapshot fogliame-export)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT demo)
  endif()
endforeach()

# The API reference goes with the headers, once built (the api-docs target).
install(DIRECTORY ${CMAKE_BINARY_DIR}/docs/api/html/
  DESTINATION ${CMAKE_INSTALL_DOCDIR}/api COMPONENT dev OPTIONAL)
