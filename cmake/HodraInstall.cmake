# Installed layout: the programs in bin/, their data in share/hodra2, the desktop entry,
# AppStream metainfo, manual pages and icons where desktops and tools look for them, and
# the entry that starts the clock with the session.
set(HODRA_RES "${PROJECT_SOURCE_DIR}/res")
install(FILES
    "${HODRA_RES}/세계시간표2.txt"
    "${HODRA_RES}/Hodra2.hlp"
    "${HODRA_RES}/tick2.wav"
    "${HODRA_RES}/fonts.conf"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/hodra2)
install(FILES "${HODRA_RES}/desktop/org.hodra2.Hodra2.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${HODRA_RES}/appstream/org.hodra2.Hodra2.metainfo.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The freedesktop autostart folder: the session starts the clock at login, and the user
# switches that off in the session's own startup settings.
set(HODRA_AUTOSTART_DIR "/etc/xdg/autostart" CACHE PATH "Where the session finds programs to start at login")
install(FILES "${HODRA_RES}/desktop/org.hodra2.Hodra2-autostart.desktop"
    DESTINATION "${HODRA_AUTOSTART_DIR}" RENAME org.hodra2.Hodra2.desktop)

# What each kind of run's journal entry means, for journalctl -x (prefix/lib, as systemd
# looks: /usr/lib/systemd/catalog, /usr/local/lib/systemd/catalog). For the package,
# systemd's dpkg trigger on that directory rebuilds the index on install and removal; after
# `make install` an administrator runs journalctl --update-catalog.
install(FILES "${HODRA_RES}/journal/hodra2.catalog" DESTINATION lib/systemd/catalog)

# Manual pages, English and Korean, compressed as Debian wants them (gzip -9n: no name or
# time inside, so the same source gives the same file).
set(HODRA_MAN_OUT "${PROJECT_BINARY_DIR}/man")
set(HODRA_MAN_PAGES)
foreach(language en ko)
    foreach(page hodra2 hodra2-sntp hodra2-worldtime)
        set(source "${HODRA_RES}/man/${language}/${page}.1")
        set(packed "${HODRA_MAN_OUT}/${language}/${page}.1.gz")
        add_custom_command(OUTPUT "${packed}"
            COMMAND ${CMAKE_COMMAND} -E make_directory "${HODRA_MAN_OUT}/${language}"
            COMMAND sh -c "gzip -9n < '${source}' > '${packed}'"
            DEPENDS "${source}" VERBATIM)
        list(APPEND HODRA_MAN_PAGES "${packed}")
        if(language STREQUAL "en")
            install(FILES "${packed}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
        else()
            install(FILES "${packed}" DESTINATION ${CMAKE_INSTALL_MANDIR}/${language}/man1)
        endif()
    endforeach()
endforeach()
add_custom_target(hodra_man_pages ALL DEPENDS ${HODRA_MAN_PAGES})

# The package's copyright and changelog, where Debian keeps them.
# A native package (no Debian revision) keeps it as changelog.gz.
set(HODRA_CHANGELOG "${PROJECT_BINARY_DIR}/changelog.gz")
add_custom_command(OUTPUT "${HODRA_CHANGELOG}"
    COMMAND sh -c "gzip -9n < '${HODRA_RES}/debian/changelog' > '${HODRA_CHANGELOG}'"
    DEPENDS "${HODRA_RES}/debian/changelog" VERBATIM)
add_custom_target(hodra_changelog ALL DEPENDS "${HODRA_CHANGELOG}")
install(FILES "${HODRA_RES}/debian/copyright" "${HODRA_CHANGELOG}" DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/hodra2)
# A commented deployment file for the administrator to copy to /etc/xdg.
install(FILES "${HODRA_RES}/deployment/Hodra2.conf.example"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/hodra2/examples RENAME Hodra2.conf)
foreach(size 16 32 48 128)
    install(FILES "${HODRA_RES}/icons/clock-${size}.png"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME hodra2.png)
endforeach()
install(FILES "${HODRA_RES}/icons/clock.svg"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME hodra2.svg)

# Setting the clock needs CAP_SYS_TIME: only the clock helper gets it, as a permitted file
# capability (raised only inside the call that sets the clock). No Qt program holds one.
# A package leaves this to its post-install.
install(CODE [[
    if(NOT "$ENV{DESTDIR}" STREQUAL "")
        return()
    endif()
    set(file "${CMAKE_INSTALL_PREFIX}/bin/hodra2-sntp")
    execute_process(COMMAND setcap cap_sys_time+p "${file}" RESULT_VARIABLE rc ERROR_VARIABLE why OUTPUT_QUIET)
    if(NOT rc EQUAL 0)
        string(STRIP "${why}" why)
        message(STATUS "hodra2: cannot give ${file} the right to set the clock (${why}); "
            "synchronising asks systemd-timedated until: sudo setcap cap_sys_time+p ${file}")
    endif()
]])
