# cmake --install: the programs into one folder (the tool looks for its converters beside itself),
# and the desktop entry, icon and MIME type under share/, so that a file manager offers RecMorph
# for *.tqv files. Included from the top-level CMakeLists.txt after every folder has been added;
# a program whose folder is not in this tree yet is skipped.
include(GNUInstallDirs)

foreach(program recmorph ClipRemuxer tqvdump)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(_recmorph_res ${PROJECT_SOURCE_DIR}/res)
install(FILES ${_recmorph_res}/desktop/recmorph.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_recmorph_res}/desktop/recmorph-tqv.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# The icon theme files icons by square sizes: the 59 x 60 image, centred on a 64 x 64 square.
install(FILES ${_recmorph_res}/icons/recmorph-64.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME recmorph.png)

# Refresh the desktop's caches for the new entry and type, unless staging into DESTDIR (a package
# does that in its own install step). Missing tools are not an error: the files are in place.
install(CODE "set(_share \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}\")")
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "")
    find_program(_mime update-mime-database)
    if(_mime)
      execute_process(COMMAND ${_mime} "${_share}/mime" OUTPUT_QUIET ERROR_QUIET)
    endif()
    find_program(_desktop update-desktop-database)
    if(_desktop)
      execute_process(COMMAND ${_desktop} -q "${_share}/applications" OUTPUT_QUIET ERROR_QUIET)
    endif()
  endif()
]])
