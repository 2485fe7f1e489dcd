# Assembles a ready program folder in ${CMAKE_BINARY_DIR}/Velmora: the
# programs, Templates/ and the brand's files beside them. It runs as it is
# (a portable copy) and is what the install rules lay out.
set(VELMORA_PROGRAM_FOLDER ${CMAKE_BINARY_DIR}/Velmora)
file(GLOB VELMORA_TEMPLATE_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/templates/*.tem
     ${PROJECT_SOURCE_DIR}/templates/*.jpg)
set(VELMORA_TEMPLATE_OUTPUTS)
foreach(file ${VELMORA_TEMPLATE_FILES})
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${VELMORA_PROGRAM_FOLDER}/Templates/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${VELMORA_PROGRAM_FOLDER}/Templates/${name}
    DEPENDS ${file} VERBATIM)
  list(APPEND VELMORA_TEMPLATE_OUTPUTS ${VELMORA_PROGRAM_FOLDER}/Templates/${name})
endforeach()
add_custom_target(program_folder ALL DEPENDS ${VELMORA_TEMPLATE_OUTPUTS})

# The brand: its plain settings enciphered into dbsettings.dat, with its
# banner pictures, skin and icon beside it.
set(VELMORA_BRAND_OUTPUTS ${VELMORA_PROGRAM_FOLDER}/dbsettings.dat)
add_custom_command(OUTPUT ${VELMORA_PROGRAM_FOLDER}/dbsettings.dat
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_PROGRAM_FOLDER}
  COMMAND $<TARGET_FILE:velmora-tool> encipher ${VELMORA_BRAND_DIR}/dbsettings.txt
          ${VELMORA_PROGRAM_FOLDER}/dbsettings.dat
  DEPENDS ${VELMORA_BRAND_DIR}/dbsettings.txt velmora-tool
  COMMENT "Enciphering the brand into dbsettings.dat"
  VERBATIM)
file(GLOB VELMORA_BRAND_FILES CONFIGURE_DEPENDS ${VELMORA_BRAND_DIR}/banner*.dat
     ${VELMORA_BRAND_DIR}/mainskin.dat ${VELMORA_BRAND_DIR}/main.ico)
set(VELMORA_BRAND_FILE_NAMES)
foreach(file ${VELMORA_BRAND_FILES})
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${VELMORA_PROGRAM_FOLDER}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${VELMORA_PROGRAM_FOLDER}/${name}
    DEPENDS ${file} VERBATIM)
  list(APPEND VELMORA_BRAND_OUTPUTS ${VELMORA_PROGRAM_FOLDER}/${name})
  list(APPEND VELMORA_BRAND_FILE_NAMES ${name})
endforeach()
add_custom_target(brand_files ALL DEPENDS ${VELMORA_BRAND_OUTPUTS})
if(TARGET velmora)
  add_dependencies(velmora brand_files)
endif()
