# What `cmake --install` puts under the chosen prefix, in the freedesktop places: the programs,
# the icon (scalable and in pixel sizes), the desktop entry, the AppStream metainfo, the clock
# file type and the documentation the about box opens.
include(GNUInstallDirs)

set(DIALWRIGHT_APP_ID local.dialwright.Dialwright)

foreach(program dialwright pdltool)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(icons ${PROJECT_SOURCE_DIR}/editor/icons)
install(FILES ${icons}/dialwright.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${icons}/dialwright-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME dialwright.png)
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/desktop/${DIALWRIGHT_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/${DIALWRIGHT_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The clock file type, so that file managers offer the editor for .pdl files (the desktop's
# update-mime-database takes it in).
install(FILES ${PROJECT_SOURCE_DIR}/desktop/${DIALWRIGHT_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ${DIALWRIGHT_APP_ID}.xml)
install(FILES ${PROJECT_SOURCE_DIR}/docs/dialwright.html ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dialwright)
