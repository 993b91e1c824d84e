# What `cmake --install` puts under the chosen prefix, in the freedesktop places: the programs,
# the icon (scalable and in pixel sizes), the desktop entry, the AppStream metainfo, the clock
# file type, the thumbnailer, the manual pages (gzip -9n, as Debian installs them), the bash
# completion of pdltool, and the user's guide with its pictures, the copyright and the changelog.
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
# File managers run the thumbnailer for the clock file type (pdltool thumbnail).
install(FILES ${PROJECT_SOURCE_DIR}/desktop/dialwright.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES ${PROJECT_SOURCE_DIR}/tools/pdltool/completion/pdltool
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The manual pages, English and Japanese, compressed in the build tree.
find_program(DIALWRIGHT_GZIP gzip REQUIRED)
set(manpages)
foreach(page dialwright.1 pdltool.1 clock.toml.5)
  string(REGEX REPLACE ".*\\." "" section ${page})
  foreach(lang en ja)
    set(source ${PROJECT_SOURCE_DIR}/docs/man/${page})
    set(dir man${section})
    if(lang STREQUAL "ja")
      set(source ${PROJECT_SOURCE_DIR}/docs/man/ja/${page})
      set(dir ja/man${section})
    endif()
    set(compressed ${PROJECT_BINARY_DIR}/man/${lang}/${page}.gz)
    add_custom_command(OUTPUT ${compressed}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man/${lang}
                       COMMAND ${DIALWRIGHT_GZIP} -9nc ${source} > ${compressed}
                       DEPENDS ${source} VERBATIM)
    list(APPEND manpages ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_DATADIR}/man/${dir})
  endforeach()
endforeach()

# The Debian changelog of the release, compressed likewise.
set(DIALWRIGHT_MAINTAINER "Dialwright developers <dialwright@example.org>"
    CACHE STRING "Who maintains the Debian package: name and mail address")
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
                   COMMAND ${DIALWRIGHT_GZIP} -9nc ${PROJECT_BINARY_DIR}/packaging/changelog > ${PROJECT_BINARY_DIR}/packaging/changelog.gz
                   DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog VERBATIM)
add_custom_target(compressed_docs ALL DEPENDS ${manpages} ${PROJECT_BINARY_DIR}/packaging/changelog.gz)

set(docdir ${CMAKE_INSTALL_DATADIR}/doc/dialwright)
install(FILES ${PROJECT_SOURCE_DIR}/docs/dialwright.html ${PROJECT_SOURCE_DIR}/docs/dialwright.en.html
              ${PROJECT_SOURCE_DIR}/docs/guide.css ${PROJECT_SOURCE_DIR}/README.md
              ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${docdir})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION ${docdir} FILES_MATCHING PATTERN "*.png")
# The guide registered with doc-base, so that documentation browsers list it.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/dialwright.doc-base DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base
        RENAME dialwright)
