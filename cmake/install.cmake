# Installing the station as a Linux desktop program, and its Debian package:
#
#   cmake --install build --prefix PREFIX
#   cd build && cpack -G DEB
#
# The programs, a man page for each (compressed), and for the station its desktop entry, icon (SVG
# and the 48 and 256 pixel PNGs, rendered from the SVG with `rsvg-convert -w N -h N`), AppStream
# metainfo, and under share/doc the copyright (machine-readable) and the changelog (compressed).
# Programs not built in this configuration are left out.
include(GNUInstallDirs)

set(ORBEK_APP_ID org.orbek.station)
set(ORBEK_DATA ${CMAKE_CURRENT_SOURCE_DIR}/data)
set(ORBEK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/orbek-station)

# Built the way Debian builds its packages: fortified library calls (where the optimiser can see
# them), position-independent programs, relocations read-only and resolved at start. Not for the
# Windows cross build or the sanitizer build of the fuzz targets.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang"
   AND NOT ORBEK_BUILD_FUZZ)
  include(CheckPIESupported)
  check_pie_supported()
  get_property(ORBEK_TARGETS DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${ORBEK_TARGETS})
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
      target_compile_options(${target} PRIVATE
        $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2>)
    endif()
    if(type STREQUAL "EXECUTABLE")
      target_link_options(${target} PRIVATE -Wl,-z,relro -Wl,-z,now)
    endif()
  endforeach()
endif()

# Man pages and the changelog go in compressed, the way Debian keeps them (no name or time in the
# gzip header, so the same sources give the same package).
find_program(ORBEK_GZIP gzip)
set(ORBEK_GZIPPED)
function(orbek_gzip source name)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/gz/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${ORBEK_GZIP} -9 -n -f ${copy}
    DEPENDS ${source} VERBATIM)
  set(ORBEK_GZIPPED ${ORBEK_GZIPPED} ${copy}.gz PARENT_SCOPE)
endfunction()

foreach(program orbek-station orbek-sim orbek-replay)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(ORBEK_GZIP)
      orbek_gzip(${ORBEK_DATA}/man/${program}.1 ${program}.1)
      install(FILES ${CMAKE_CURRENT_BINARY_DIR}/gz/${program}.1.gz
              DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    else()
      install(FILES ${ORBEK_DATA}/man/${program}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
  endif()
endforeach()
install(FILES ${ORBEK_DATA}/copyright DESTINATION ${ORBEK_DOC_DIR})
if(ORBEK_GZIP)
  orbek_gzip(${ORBEK_DATA}/changelog changelog)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/gz/changelog.gz DESTINATION ${ORBEK_DOC_DIR})
  add_custom_target(orbek_gzipped ALL DEPENDS ${ORBEK_GZIPPED})
endif()

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
# dpkg-shlibdeps (the X11 platform plugin comes with libqt6gui6). The description's lines stay
# within 80 columns.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbek-station)
set(CPACK_PACKAGE_VENDOR "ORBEK")
set(CPACK_PACKAGE_CONTACT "ORBEK station developers <station@orbek.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Operator station of the ORBEK light-exposure machine")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Drives the controller of the ORBEK light-exposure machine over one RS232 line:"
  "lamp runs, light power, halogen lamps, live readings and plot, event list, data"
  "logging, maintenance windows and the sample-holder alarm. Includes a simulated"
  "controller (orbek-sim) and a scenario player (orbek-replay).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
include(CPack)
