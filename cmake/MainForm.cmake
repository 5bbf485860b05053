# The main form's form data: app/main_form.dfm with its generated blocks filled in by
# tools/make-main-form (the mask presets, the icon, the about logo, the palettes' glyphs and
# the internal skin packed by cmake/InternalSkin.cmake), compiled as the RCDATA resource that
# the form reader finds by the form's class name. The resource rides in the app library's link
# interface, so the program and the application's tests both carry it.
set(MERGEON_MAIN_FORM_DATA ${CMAKE_BINARY_DIR}/generated/main_form/main_form_data.dfm)
add_custom_command(OUTPUT ${MERGEON_MAIN_FORM_DATA}
  COMMAND ${MERGEON_PYTHON} ${CMAKE_SOURCE_DIR}/tools/make-main-form
    ${CMAKE_SOURCE_DIR}/app/main_form.dfm ${MERGEON_INTERNAL_SKIN} ${MERGEON_MAIN_FORM_DATA}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-main-form ${CMAKE_SOURCE_DIR}/app/main_form.dfm ${MERGEON_INTERNAL_SKIN}
  COMMENT "Writing the main form's data")
mergeon_resource(main_form_res ${CMAKE_SOURCE_DIR}/app/main_form.rc ${MERGEON_MAIN_FORM_DATA}
  INCLUDE ${CMAKE_BINARY_DIR}/generated/main_form)
add_custom_target(app_resources DEPENDS ${main_form_res})
add_dependencies(app app_resources)
target_link_libraries(app INTERFACE ${main_form_res})
