# A Debian package of the installed layout (cpack, or ./velmora.sh package).
# Dependencies come from dpkg-shlibdeps, so only runtime libraries are pulled in.
if(NOT TARGET velmora)
  return()
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VELMORA_BRAND_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${VELMORA_BRAND_PUBLISHER}")
set(CPACK_PACKAGE_CONTACT "${VELMORA_BRAND_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELMORA_BRAND_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VELMORA_BRAND_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its window-system plugin at run time, so no library names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${VELMORA_BRAND_SUMMARY}")
# CPack puts the summary in front as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${VELMORA_BRAND_NAME} is a wizard that builds a promotion web page for a
product resold as an affiliate: title and affiliate link, a template, and
promotional material of eight kinds, filled into an HTML page that is saved
in the user's documents folder or put on the clipboard.")
include(CPack)
