# `make package`: a Debian package of the installed layout.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hodra2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Hodra2 developers <hodra2@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop clock that keeps the PC on Korea Standard Time (SNTP)")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6, libqt6gui6, libqt6core6, libcap2, libcap2-bin, libcanberra0, libx11-6, fonts-nanum, fonts-nanum-coding, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/cmake/debian/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
