# The demo brand's names on the desktop and in the package.
set(VELMORA_BRAND_NAME "Velmora")                 # menu entry, per-user folders (Documents/Velmora)
set(VELMORA_BRAND_PACKAGE "velmora")              # package, commands velmora and velmora-tool
set(VELMORA_BRAND_APP_ID "com.example.Velmora")   # desktop entry and AppStream id
set(VELMORA_BRAND_SUMMARY "Build affiliate promotion pages in ten steps")
set(VELMORA_BRAND_PUBLISHER "Velmora Demo Publishing Ltd.")
set(VELMORA_BRAND_HOMEPAGE "https://www.example.com/velmora/")
set(VELMORA_BRAND_MAINTAINER "Velmora Demo Publishing <packages@example.com>")
