# Installing the station as a Linux desktop program, and its Debian package:
#
#   cmake --install build --prefix PREFIX
#   cd build && cpack -G DEB
#
# The programs, a man page for each, and for the station its desktop entry, icon (SVG and the
# 48 and 256 pixel PNGs, rendered from the SVG with `rsvg-convert -w N -h N`) and AppStream
# metainfo. Programs not built in this configuration are left out.
include(GNUInstallDirs)

set(ORBEK_APP_ID org.orbek.station)
set(ORBEK_DATA ${CMAKE_CURRENT_SOURCE_DIR}/data)

foreach(program orbek-station orbek-sim orbek-replay)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${ORBEK_DATA}/man/${program}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

if(TARGET orbek-station)
  install(FILES ${ORBEK_DATA}/${ORBEK_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${ORBEK_DATA}/${ORBEK_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${ORBEK_DATA}/icons/${ORBEK_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 48 256)
    install(FILES ${ORBEK_DATA}/icons/${ORBEK_APP_ID}-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${ORBEK_APP_ID}.png)
  endforeach()
endif()

# The Debian package: its dependencies are the packages of the libraries it links, found by
# dpkg-shlibdeps (the X11 platform plugin comes with libqt6gui6).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbek-station)
set(CPACK_PACKAGE_VENDOR "ORBEK")
set(CPACK_PACKAGE_CONTACT "ORBEK station developers <station@orbek.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Operator station of the ORBEK light-exposure machine")
set(CPACK_PACKAGE_DESCRIPTION
    "Drives the controller of the ORBEK light-exposure machine over one RS232 line: lamp runs, "
    "light power, halogen lamps, live readings and plot, event list, data logging, maintenance "
    "windows and the sample-holder alarm. Includes a simulated controller (orbek-sim) and a "
    "scenario player (orbek-replay).")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
include(CPack)
