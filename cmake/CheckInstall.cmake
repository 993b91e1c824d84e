# Installs the build tree BUILD under a fresh PREFIX and checks that every installed piece is
# where the desktop looks for it. Run as: cmake -DBUILD=… -DPREFIX=… -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} RESULT_VARIABLE result
                OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(expected
  bin/dialwright
  bin/pdltool
  share/applications/local.dialwright.Dialwright.desktop
  share/metainfo/local.dialwright.Dialwright.metainfo.xml
  share/mime/packages/local.dialwright.Dialwright.xml
  share/icons/hicolor/scalable/apps/dialwright.svg
  share/thumbnailers/dialwright.thumbnailer
  share/bash-completion/completions/pdltool
  share/man/man1/dialwright.1.gz
  share/man/man1/pdltool.1.gz
  share/man/ja/man1/dialwright.1.gz
  share/man/ja/man1/pdltool.1.gz
  share/man/man5/clock.toml.5.gz
  share/man/ja/man5/clock.toml.5.gz
  share/doc/dialwright/dialwright.html
  share/doc/dialwright/dialwright.en.html
  share/doc/dialwright/guide.css
  share/doc/dialwright/copyright
  share/doc/dialwright/changelog.gz
  share/doc-base/dialwright)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/dialwright.png)
endforeach()
foreach(f ${expected})
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
# Every picture the guides show is installed beside them.
foreach(page dialwright.html dialwright.en.html)
  file(STRINGS ${PREFIX}/share/doc/dialwright/${page} lines REGEX "src=\"images/")
  foreach(line ${lines})
    string(REGEX MATCHALL "src=\"images/[^\"]+\"" sources "${line}")
    foreach(src ${sources})
      string(REGEX REPLACE "src=\"([^\"]+)\"" "\\1" picture "${src}")
      if(NOT EXISTS ${PREFIX}/share/doc/dialwright/${picture})
        message(FATAL_ERROR "${page} shows ${picture}, which is not installed")
      endif()
    endforeach()
  endforeach()
endforeach()
# The manual pages and the changelog are compressed as Debian compresses them (gzip -9n: no name,
# no time stamp).
foreach(f share/man/man1/pdltool.1.gz share/man/ja/man1/pdltool.1.gz share/doc/dialwright/changelog.gz)
  file(READ ${PREFIX}/${f} header LIMIT 10 HEX)
  if(NOT header MATCHES "^1f8b0800000000000203")
    message(FATAL_ERROR "${f} is not compressed as gzip -9n does: ${header}")
  endif()
endforeach()
foreach(program dialwright pdltool)
  execute_process(COMMAND test -x ${PREFIX}/bin/${program} RESULT_VARIABLE executable)
  if(NOT executable EQUAL 0)
    message(FATAL_ERROR "not executable: bin/${program}")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
