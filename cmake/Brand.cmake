# The brand: a folder holding dbsettings.txt (the plain brand settings,
# enciphered at build), banner1.dat ... banner16.dat, mainskin.dat, main.ico,
# icon.svg, and brand.cmake, which names the program for the desktop and the
# package. Everything but dbsettings.txt and brand.cmake is optional.
set(VELMORA_BRAND_DIR "${PROJECT_SOURCE_DIR}/brand" CACHE PATH
    "Brand folder: dbsettings.txt, banners, skin, icon and brand.cmake")
get_filename_component(VELMORA_BRAND_DIR "${VELMORA_BRAND_DIR}" ABSOLUTE)
if(NOT EXISTS "${VELMORA_BRAND_DIR}/dbsettings.txt" OR NOT EXISTS "${VELMORA_BRAND_DIR}/brand.cmake")
  message(FATAL_ERROR "VELMORA_BRAND_DIR (${VELMORA_BRAND_DIR}) needs dbsettings.txt and brand.cmake")
endif()

# Defaults a brand's brand.cmake overrides.
set(VELMORA_BRAND_NAME "Velmora")
set(VELMORA_BRAND_PACKAGE "velmora")
set(VELMORA_BRAND_APP_ID "com.example.Velmora")
set(VELMORA_BRAND_SUMMARY "Build affiliate promotion pages in ten steps")
set(VELMORA_BRAND_PUBLISHER "Velmora")
set(VELMORA_BRAND_HOMEPAGE "https://www.example.com/velmora/")
set(VELMORA_BRAND_MAINTAINER "Velmora <packages@example.com>")
set(VELMORA_BRAND_LICENSE "LicenseRef-proprietary")
include("${VELMORA_BRAND_DIR}/brand.cmake")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${VELMORA_BRAND_DIR}/brand.cmake")

if(NOT VELMORA_BRAND_PACKAGE MATCHES "^[a-z0-9][a-z0-9.+-]+$")
  message(FATAL_ERROR "VELMORA_BRAND_PACKAGE \"${VELMORA_BRAND_PACKAGE}\" is not a Debian package name")
endif()
if(NOT VELMORA_BRAND_APP_ID MATCHES "^[A-Za-z][A-Za-z0-9_]*(\\.[A-Za-z][A-Za-z0-9_]*)+$")
  message(FATAL_ERROR "VELMORA_BRAND_APP_ID \"${VELMORA_BRAND_APP_ID}\" is not a reverse-DNS id")
endif()
if(VELMORA_BRAND_NAME MATCHES "[/\\\\]" OR VELMORA_BRAND_NAME STREQUAL "")
  message(FATAL_ERROR "VELMORA_BRAND_NAME names the user's folders and may hold no separator")
endif()
