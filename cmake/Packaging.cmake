# What `make package` puts into the Debian package: the two programs and
# their Access reader, the menu entry, the icon and the software-centre
# description. Nothing else of the build (tests, bench, fuzzers) has an
# install rule.
include(GNUInstallDirs)

set(CORVALE_APP_ID cn.corvale.Corvale)
set(_desktop ${PROJECT_SOURCE_DIR}/resources/desktop)

foreach(_program corvale corvale-render)
  if(TARGET ${_program})
    install(TARGETS ${_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# The Access reader is the program's helper, not a command of its own.
install(TARGETS corvale-mdbreader RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/corvale)

install(FILES ${_desktop}/${CORVALE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_desktop}/${CORVALE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_desktop}/corvale.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Menus and panels that cannot draw SVG take the bitmaps, drawn from the SVG
# at build time so the two never disagree.
find_program(CORVALE_RSVG_CONVERT rsvg-convert)
if(CORVALE_RSVG_CONVERT)
  set(_pngs)
  foreach(_size 16 32 48 64 128 256)
    set(_dir ${CMAKE_CURRENT_BINARY_DIR}/icons/${_size}x${_size})
    add_custom_command(
      OUTPUT ${_dir}/corvale.png
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_dir}
      COMMAND ${CORVALE_RSVG_CONVERT} -w ${_size} -h ${_size} -o ${_dir}/corvale.png ${_desktop}/corvale.svg
      DEPENDS ${_desktop}/corvale.svg
      VERBATIM)
    list(APPEND _pngs ${_dir}/corvale.png)
    install(FILES ${_dir}/corvale.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
  endforeach()
  add_custom_target(corvale_icons ALL DEPENDS ${_pngs})
else()
  message(WARNING "rsvg-convert (Debian: librsvg2-bin) not found: no bitmap icons, "
                  "`make package` would ship the SVG alone")
endif()

set(CPACK_GENERATOR DEB)
# The programs know where the package puts the Access reader.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_NAME corvale)
set(CPACK_PACKAGE_VENDOR Corvale)
set(CPACK_PACKAGE_CONTACT "Corvale developers <corvale@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Repair records and reports for a refrigerator and air-conditioner service point")
set(CPACK_PACKAGE_DESCRIPTION
    "Keeps the repair jobs of the shop and prints brand work orders, certification cards, envelopes, express waybills and brand reports on pre-printed stationery. The screen is Simplified Chinese.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_STRIP_FILES ON)
# dpkg-shlibdeps names the libraries the programs link to. What is loaded at
# run time instead is named here: Qt's SQLite and PostgreSQL drivers, Qt's Chinese button
# texts, and the fonts the reports and stationery are laid out in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, libqt6sql6-psql, qt6-translations-l10n, fonts-noto-cjk, fonts-arphic-uming, fonts-arphic-ukai")
include(CPack)
