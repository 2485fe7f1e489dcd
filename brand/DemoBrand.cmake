# The demo brand: dbsettings.txt enciphered into the program folder's
# dbsettings.dat, with its banner pictures, skin and icon beside it.
set(VELMORA_DEMO_BRAND_DIR ${PROJECT_SOURCE_DIR}/brand)
set(VELMORA_DEMO_BRAND_OUTPUTS ${VELMORA_PROGRAM_FOLDER}/dbsettings.dat)
add_custom_command(OUTPUT ${VELMORA_PROGRAM_FOLDER}/dbsettings.dat
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_PROGRAM_FOLDER}
  COMMAND $<TARGET_FILE:velmora-tool> encipher ${VELMORA_DEMO_BRAND_DIR}/dbsettings.txt
          ${VELMORA_PROGRAM_FOLDER}/dbsettings.dat
  DEPENDS ${VELMORA_DEMO_BRAND_DIR}/dbsettings.txt velmora-tool
  COMMENT "Enciphering the demo brand into dbsettings.dat"
  VERBATIM)
foreach(name banner1.dat banner2.dat mainskin.dat main.ico)
  add_custom_command(OUTPUT ${VELMORA_PROGRAM_FOLDER}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VELMORA_DEMO_BRAND_DIR}/${name} ${VELMORA_PROGRAM_FOLDER}/${name}
    DEPENDS ${VELMORA_DEMO_BRAND_DIR}/${name} VERBATIM)
  list(APPEND VELMORA_DEMO_BRAND_OUTPUTS ${VELMORA_PROGRAM_FOLDER}/${name})
endforeach()
add_custom_target(demo_brand ALL DEPENDS ${VELMORA_DEMO_BRAND_OUTPUTS})
if(TARGET velmora)
  add_dependencies(velmora demo_brand)
endif()
