# What `make package` puts into the Debian package: the two programs and
# their Access reader, the menu entry, the icon, the software-centre
# description, the manual pages and Debian's own files (copyright, changelog).
# Nothing else of the build (tests, bench, fuzzers) has
# an install rule.
include(GNUInstallDirs)

set(CORVALE_APP_ID cn.corvale.corvale)
set(CORVALE_MAINTAINER "Corvale maintainers <maintainers@corvale.cn>")
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

# Debian wants the binaries stripped of the compiler's notes too, as dh_strip
# does; cpack's strip (CPACK_STRIP_FILES) keeps .comment.
find_program(CORVALE_OBJCOPY NAMES objcopy)
foreach(_program corvale corvale-render)
  set(_installed "${CMAKE_INSTALL_FULL_BINDIR}/${_program}")
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CORVALE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                            \"\$ENV{DESTDIR}${_installed}\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
endforeach()
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CORVALE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                          \"\$ENV{DESTDIR}${CMAKE_INSTALL_FULL_LIBEXECDIR}/corvale/corvale-mdbreader\" COMMAND_ERROR_IS_FATAL ANY)
endif()")

# Manual pages and the changelog, compressed as Debian installs them (gzip
# -9n: no name or time in the header, so the same text gives the same file).
set(_debian ${PROJECT_SOURCE_DIR}/resources/debian)
# Named after the package, not the project.
set(_docdir ${CMAKE_INSTALL_DATADIR}/doc/corvale)
set(_man ${PROJECT_SOURCE_DIR}/resources/man)
set(_gzipped)
function(corvale_gzip source output destination)
  add_custom_command(
    OUTPUT ${output}
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${source} ${output}
    DEPENDS ${source}
    VERBATIM)
  install(FILES ${output} DESTINATION ${destination})
  set(_gzipped ${_gzipped} ${output} PARENT_SCOPE)
endfunction()
corvale_gzip(${_man}/corvale.1 ${CMAKE_CURRENT_BINARY_DIR}/man/corvale.1.gz ${CMAKE_INSTALL_MANDIR}/man1)
corvale_gzip(${_man}/corvale-render.1 ${CMAKE_CURRENT_BINARY_DIR}/man/corvale-render.1.gz ${CMAKE_INSTALL_MANDIR}/man1)
corvale_gzip(${_man}/zh_CN/corvale.1 ${CMAKE_CURRENT_BINARY_DIR}/man/zh_CN/corvale.1.gz
             ${CMAKE_INSTALL_MANDIR}/zh_CN/man1)
corvale_gzip(${_man}/zh_CN/corvale-render.1 ${CMAKE_CURRENT_BINARY_DIR}/man/zh_CN/corvale-render.1.gz
             ${CMAKE_INSTALL_MANDIR}/zh_CN/man1)
corvale_gzip(${_debian}/changelog ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz ${_docdir})
add_custom_target(corvale_gzipped ALL DEPENDS ${_gzipped})
install(FILES ${_debian}/copyright DESTINATION ${_docdir})

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
set(CPACK_PACKAGE_CONTACT "${CORVALE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVALE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://corvale.cn/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Repair records and reports for a refrigerator and air-conditioner service point")
# Lines of at most 80 characters, as Debian's control file wants them.
# The summary above is the synopsis line; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Corvale keeps one record per repair job of an appliance service point:
customer, appliance, dates, fault, repair, part, fees, staff and photo.
Clerks look jobs up by number or by any field, and print the makers'
work orders and certification cards on pre-printed stationery, envelopes,
an express waybill, and monthly and quarterly brand reports, also as PDF
files and Excel workbooks.
.
The job table is an SQLite file in the shop's data folder, or a table on
the shop's PostgreSQL server shared by several desks. A snapshot is taken
at each start and can be restored from inside the program. Windows and
paper are in Simplified Chinese.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
# dpkg-shlibdeps names the libraries the programs link to. What is loaded at
# run time instead is named here: Qt's SQLite and PostgreSQL drivers, Qt's Chinese button
# texts, and the fonts the reports and stationery are laid out in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, libqt6sql6-psql, qt6-translations-l10n, fonts-noto-cjk, fonts-arphic-uming, fonts-arphic-ukai")
include(CPack)
