# Assembles a ready program folder in ${CMAKE_BINARY_DIR}/Velmora: the
# program, Templates/ and the demo brand files beside it.
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
include(${PROJECT_SOURCE_DIR}/brand/DemoBrand.cmake OPTIONAL)
