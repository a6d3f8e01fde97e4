# What `cmake --install` puts in place: the two programs, the desktop entry
# and icon of the window, the manual pages and the bash completion of
# tervanil-cli. Included from the top CMakeLists.txt once the targets exist.
include(GNUInstallDirs)

# Manual pages go out compressed, as Debian installs them.
set(TERVANIL_MAN_PAGES tervanil-cli.1)
if(TARGET tervanil)
  list(APPEND TERVANIL_MAN_PAGES tervanil.1)
endif()
set(compressed_pages "")
foreach(page IN LISTS TERVANIL_MAN_PAGES)
  set(compressed "${PROJECT_BINARY_DIR}/man/${page}.gz")
  add_custom_command(
    OUTPUT "${compressed}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${PROJECT_SOURCE_DIR}/data/man/${page}"
            "${PROJECT_BINARY_DIR}/man/${page}"
    COMMAND gzip -9nf "${PROJECT_BINARY_DIR}/man/${page}"
    DEPENDS "${PROJECT_SOURCE_DIR}/data/man/${page}"
    COMMENT "Compressing the manual page ${page}"
    VERBATIM)
  list(APPEND compressed_pages "${compressed}")
endforeach()
add_custom_target(man_pages ALL DEPENDS ${compressed_pages})

install(TARGETS tervanil-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/completion/tervanil-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
if(TARGET tervanil)
  install(TARGETS tervanil RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES data/tervanil.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/tervanil.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
