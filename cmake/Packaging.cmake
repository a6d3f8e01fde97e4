# `cpack -G DEB`: a Debian package of what the install puts in place. The
# libraries the programs link come from dpkg-shlibdeps; what they load or use
# without linking is named here: Qt's platform plugins, which draw the window,
# and the IPA fonts that stand in for the Japanese faces of its layout.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tervanil)
set(CPACK_PACKAGE_VENDOR "Tervanil")
set(CPACK_PACKAGE_CONTACT "Tervanil developers <tervanil@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn SGF Go records into web pages with a game viewer")
set(CPACK_PACKAGE_DESCRIPTION
    "Tervanil turns every *.sgf Go record of a folder into an HTML page that\n"
    "embeds a game-replay viewer, Orbanel or Quillamy, with the viewer's\n"
    "settings written into the record's root node. It has one window\n"
    "(tervanil) and the headless command tervanil-cli over the same engine.")
list(JOIN CPACK_PACKAGE_DESCRIPTION "" CPACK_PACKAGE_DESCRIPTION)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET tervanil)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "qt6-qpa-plugins, fonts-ipafont-mincho, fonts-ipafont-gothic")
endif()

include(CPack)
