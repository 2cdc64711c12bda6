# Installation: the game and its pictures in a data folder, a launcher that starts it there, a menu entry and an icon.
include(GNUInstallDirs)
set(brinvale_data_dir ${CMAKE_INSTALL_DATADIR}/brinvale)

install(TARGETS brinvale RUNTIME DESTINATION ${brinvale_data_dir})
# The pictures are made by the build, so they are taken from the build folder.
install(DIRECTORY ${CMAKE_BINARY_DIR}/pic/ DESTINATION ${brinvale_data_dir}/pic)

# The launcher finds the data folder from its own place, so a moved prefix still works.
file(RELATIVE_PATH brinvale_data_from_bin /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${brinvale_data_dir})
configure_file(${CMAKE_CURRENT_LIST_DIR}/launcher.sh.in ${CMAKE_BINARY_DIR}/install/brinvale @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/install/brinvale DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_CURRENT_LIST_DIR}/brinvale.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The menu entry names the launcher by its full path, known only once the prefix is.
install(CODE "
  set(entry_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
  file(MAKE_DIRECTORY \"\${entry_dir}\")
  file(WRITE \"\${entry_dir}/brinvale.desktop\" \"[Desktop Entry]
Type=Application
Name=Brinvale
Comment=Falling-gem puzzle in 3-D
Exec=\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/brinvale
Icon=brinvale
Terminal=false
Categories=Game;BlocksGame;
StartupWMClass=brinvale
\")
  message(STATUS \"Installing: \${entry_dir}/brinvale.desktop\")
")
