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
  share/doc/dialwright/dialwright.html)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/dialwright.png)
endforeach()
foreach(f ${expected})
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
foreach(program dialwright pdltool)
  execute_process(COMMAND test -x ${PREFIX}/bin/${program} RESULT_VARIABLE executable)
  if(NOT executable EQUAL 0)
    message(FATAL_ERROR "not executable: bin/${program}")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
