# cmake --install lays out an installed program:
#   <prefix>/lib/<package>/                 the program folder (never written)
#   <prefix>/bin/<package>, <package>-tool  links to the programs in it
#   <prefix>/share/applications, metainfo, icons/hicolor, man/man1, doc/<package>
# The programs find the program folder through the links by themselves.
if(NOT TARGET velmora)
  return()
endif()

set(VELMORA_PROGRAM_DIR_RELATIVE lib/${VELMORA_BRAND_PACKAGE})
set(VELMORA_PROGRAM_DIR ${CMAKE_INSTALL_PREFIX}/${VELMORA_PROGRAM_DIR_RELATIVE})
set(VELMORA_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
string(TOUPPER "${VELMORA_BRAND_PACKAGE}" VELMORA_MAN_NAME)
set(VELMORA_MAN_TOOL_NAME "${VELMORA_MAN_NAME}-TOOL")

install(TARGETS velmora velmora-tool velmora-tool-network RUNTIME DESTINATION ${VELMORA_PROGRAM_DIR_RELATIVE})
if(TARGET velmora_publish_module)
  install(TARGETS velmora_publish_module LIBRARY DESTINATION ${VELMORA_PROGRAM_DIR_RELATIVE}/plugins)
endif()
if(TARGET velmora_preview)
  install(TARGETS velmora_preview LIBRARY DESTINATION ${VELMORA_PROGRAM_DIR_RELATIVE}/plugins)
endif()
install(DIRECTORY ${VELMORA_PROGRAM_FOLDER}/Templates DESTINATION ${VELMORA_PROGRAM_DIR_RELATIVE})
set(VELMORA_INSTALLED_BRAND_FILES ${VELMORA_PROGRAM_FOLDER}/dbsettings.dat)
foreach(name ${VELMORA_BRAND_FILE_NAMES})
  list(APPEND VELMORA_INSTALLED_BRAND_FILES ${VELMORA_PROGRAM_FOLDER}/${name})
endforeach()
install(FILES ${VELMORA_INSTALLED_BRAND_FILES} DESTINATION ${VELMORA_PROGRAM_DIR_RELATIVE})
# Tells the programs this folder is installed: what the user makes goes elsewhere.
file(WRITE ${VELMORA_DIST_DIR}/installed
  "This program folder was installed; pages, projects and settings are kept in each user's own folders.\n")
install(FILES ${VELMORA_DIST_DIR}/installed DESTINATION ${VELMORA_PROGRAM_DIR_RELATIVE})

# Relative links, so the tree can be installed under any prefix.
file(MAKE_DIRECTORY ${VELMORA_DIST_DIR}/bin)
file(CREATE_LINK ../${VELMORA_PROGRAM_DIR_RELATIVE}/velmora ${VELMORA_DIST_DIR}/bin/${VELMORA_BRAND_PACKAGE} SYMBOLIC)
file(CREATE_LINK ../${VELMORA_PROGRAM_DIR_RELATIVE}/velmora-tool
     ${VELMORA_DIST_DIR}/bin/${VELMORA_BRAND_PACKAGE}-tool SYMBOLIC)
install(FILES ${VELMORA_DIST_DIR}/bin/${VELMORA_BRAND_PACKAGE} ${VELMORA_DIST_DIR}/bin/${VELMORA_BRAND_PACKAGE}-tool
        DESTINATION bin)

# Desktop integration, named after the brand.
configure_file(${PROJECT_SOURCE_DIR}/dist/velmora.desktop.in
               ${VELMORA_DIST_DIR}/${VELMORA_BRAND_APP_ID}.desktop @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/dist/velmora.metainfo.xml.in
               ${VELMORA_DIST_DIR}/${VELMORA_BRAND_APP_ID}.metainfo.xml @ONLY)
install(FILES ${VELMORA_DIST_DIR}/${VELMORA_BRAND_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${VELMORA_DIST_DIR}/${VELMORA_BRAND_APP_ID}.metainfo.xml DESTINATION share/metainfo)
configure_file(${PROJECT_SOURCE_DIR}/dist/velmora-mime.xml.in ${VELMORA_DIST_DIR}/${VELMORA_BRAND_APP_ID}.xml @ONLY)
install(FILES ${VELMORA_DIST_DIR}/${VELMORA_BRAND_APP_ID}.xml DESTINATION share/mime/packages)

# Icons: the brand's SVG as it is, and PNGs rendered from it at build time.
if(EXISTS ${VELMORA_BRAND_DIR}/icon.svg)
  find_program(VELMORA_RSVG rsvg-convert REQUIRED)
  set(VELMORA_ICON_OUTPUTS)
  foreach(size 48 128 256)
    set(png ${VELMORA_DIST_DIR}/icons/${size}/${VELMORA_BRAND_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_DIST_DIR}/icons/${size}
      COMMAND ${VELMORA_RSVG} -w ${size} -h ${size} ${VELMORA_BRAND_DIR}/icon.svg -o ${png}
      DEPENDS ${VELMORA_BRAND_DIR}/icon.svg VERBATIM)
    list(APPEND VELMORA_ICON_OUTPUTS ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(desktop_icons ALL DEPENDS ${VELMORA_ICON_OUTPUTS})
  install(FILES ${VELMORA_BRAND_DIR}/icon.svg DESTINATION share/icons/hicolor/scalable/apps
          RENAME ${VELMORA_BRAND_APP_ID}.svg)
else()
  message(WARNING "${VELMORA_BRAND_DIR} has no icon.svg: the desktop entry will have no icon")
endif()

# Man pages and the package's documents, compressed as Debian wants them.
find_program(VELMORA_GZIP gzip REQUIRED)
set(VELMORA_DOC_OUTPUTS)
function(velmora_gzipped source output destination)
  add_custom_command(OUTPUT ${output}
    COMMAND ${VELMORA_GZIP} -9nc ${source} > ${output}
    DEPENDS ${source})
  install(FILES ${output} DESTINATION ${destination})
  set(VELMORA_DOC_OUTPUTS ${VELMORA_DOC_OUTPUTS} ${output} PARENT_SCOPE)
endfunction()
configure_file(${PROJECT_SOURCE_DIR}/dist/velmora.1.in ${VELMORA_DIST_DIR}/${VELMORA_BRAND_PACKAGE}.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/dist/velmora-tool.1.in ${VELMORA_DIST_DIR}/${VELMORA_BRAND_PACKAGE}-tool.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/dist/changelog.in ${VELMORA_DIST_DIR}/changelog @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/dist/copyright.in ${VELMORA_DIST_DIR}/copyright @ONLY)
velmora_gzipped(${VELMORA_DIST_DIR}/${VELMORA_BRAND_PACKAGE}.1 ${VELMORA_DIST_DIR}/${VELMORA_BRAND_PACKAGE}.1.gz
                share/man/man1)
velmora_gzipped(${VELMORA_DIST_DIR}/${VELMORA_BRAND_PACKAGE}-tool.1
                ${VELMORA_DIST_DIR}/${VELMORA_BRAND_PACKAGE}-tool.1.gz share/man/man1)
velmora_gzipped(${VELMORA_DIST_DIR}/changelog ${VELMORA_DIST_DIR}/changelog.Debian.gz
                share/doc/${VELMORA_BRAND_PACKAGE})
add_custom_target(desktop_docs ALL DEPENDS ${VELMORA_DOC_OUTPUTS})
install(FILES ${VELMORA_DIST_DIR}/copyright DESTINATION share/doc/${VELMORA_BRAND_PACKAGE})
configure_file(${PROJECT_SOURCE_DIR}/dist/lintian-overrides.in ${VELMORA_DIST_DIR}/lintian-overrides/${VELMORA_BRAND_PACKAGE} @ONLY)
install(FILES ${VELMORA_DIST_DIR}/lintian-overrides/${VELMORA_BRAND_PACKAGE} DESTINATION share/lintian/overrides)
