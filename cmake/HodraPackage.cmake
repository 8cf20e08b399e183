# `make package`: a Debian package of the installed layout. Its dependencies come from
# dpkg-shlibdeps, its texts from res/debian; the capability is given by the post-install.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hodra2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Hodra2 Developers <developers@hodra2.org>")
# The synopsis is the first line, the long description the indented lines after it (read
# whole: a line holds semicolons, which a CMake list would split).
file(READ "${PROJECT_SOURCE_DIR}/res/debian/description" HODRA_DESCRIPTION)
string(REGEX MATCH "^Description: ([^\n]*)" HODRA_SYNOPSIS "${HODRA_DESCRIPTION}")
set(HODRA_SYNOPSIS "${CMAKE_MATCH_1}")
string(FIND "${HODRA_DESCRIPTION}" "\n" HODRA_FIRST_END)
math(EXPR HODRA_FIRST_END "${HODRA_FIRST_END} + 2")  # past the newline and the indent
string(SUBSTRING "${HODRA_DESCRIPTION}" ${HODRA_FIRST_END} -1 HODRA_LONG_DESCRIPTION)
string(REPLACE "\n " "\n" HODRA_LONG_DESCRIPTION "${HODRA_LONG_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${HODRA_SYNOPSIS}")
# CPack puts the synopsis first itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${HODRA_LONG_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://hodra2.org/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the libraries: setcap for the post-install, the fonts the window draws with, and
# GnuTLS, which the window and the helper load with dlopen when an nts:// server is first
# asked (so dpkg-shlibdeps cannot see it); 3.6.14 brought the AES-SIV the NTS exchange needs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libcap2-bin, fonts-nanum, fonts-nanum-coding, fonts-liberation, libgnutls30 (>= 3.6.14)")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/cmake/debian/postinst;${PROJECT_SOURCE_DIR}/cmake/debian/conffiles")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
