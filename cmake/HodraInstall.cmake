# Installed layout: the programs in bin/, their data in share/hodra2, the desktop entry
# and the icons where desktops look for them.
set(HODRA_RES "${PROJECT_SOURCE_DIR}/res")
install(FILES
    "${HODRA_RES}/세계시간표2.txt"
    "${HODRA_RES}/Hodra2.hlp"
    "${HODRA_RES}/tick2.wav"
    "${HODRA_RES}/fonts.conf"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/hodra2)
install(FILES "${HODRA_RES}/desktop/hodra2.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
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
