# Compiles the clock file type with the desktop's own update-mime-database into a fresh DIR and
# checks what it made of it: the .pdl glob and the packed file's signature.
# Run as: cmake -DPACKAGE=… -DDIR=… -P CheckMimeType.cmake
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR}/packages)
configure_file(${PACKAGE} ${DIR}/packages/dialwright.xml COPYONLY)
execute_process(COMMAND update-mime-database -V ${DIR} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0 OR err MATCHES "[Ww]arning|[Ee]rror")
  message(FATAL_ERROR "update-mime-database refused the file type (${result}):\n${out}${err}")
endif()
file(READ ${DIR}/globs2 globs)
if(NOT globs MATCHES "application/x-dialwright-clock:\\*\\.pdl")
  message(FATAL_ERROR "no *.pdl glob:\n${globs}")
endif()
file(READ ${DIR}/magic magic HEX)
# "MSCF" at 0, then "DATA" and its NUL at 60, as the compiled rule holds them.
if(NOT magic MATCHES "4d534346" OR NOT magic MATCHES "4441544100")
  message(FATAL_ERROR "the cabinet signature is missing from the compiled magic")
endif()
file(READ ${DIR}/application/x-dialwright-clock.xml type)
if(NOT type MATCHES "Pendulet カスタム時計データ")
  message(FATAL_ERROR "the Japanese name is missing:\n${type}")
endif()
file(REMOVE_RECURSE ${DIR})
