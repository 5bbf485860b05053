# The program's own skin, "ShineWhite (internal)": drawn by tools/make-internal-skin into a skin
# folder, then packed by the skin engine's packer into the container that the main form keeps
# in its form data (the manager's InternalSkins). The container is
# ${MERGEON_INTERNAL_SKIN}; the skin engine's tests load it as a stored skin.
set(MERGEON_INTERNAL_SKIN_FOLDER ${CMAKE_BINARY_DIR}/generated/internal_skin)
set(MERGEON_INTERNAL_SKIN ${CMAKE_BINARY_DIR}/generated/internal_skin.asz)

add_executable(pack_skin ${CMAKE_SOURCE_DIR}/tools/pack-skin.cpp)
target_link_libraries(pack_skin PRIVATE skin_engine)
add_dependencies(pack_skin wineprefix)

add_custom_command(OUTPUT ${MERGEON_INTERNAL_SKIN_FOLDER}/Options.dat
  COMMAND ${MERGEON_PYTHON} ${CMAKE_SOURCE_DIR}/tools/make-internal-skin ${MERGEON_INTERNAL_SKIN_FOLDER}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-internal-skin
  COMMENT "Drawing the internal skin")
add_custom_command(OUTPUT ${MERGEON_INTERNAL_SKIN}
  COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${MERGEON_WINEPREFIX}
    ${CMAKE_SOURCE_DIR}/tools/wine-test $<TARGET_FILE:pack_skin> ${MERGEON_INTERNAL_SKIN_FOLDER} ${MERGEON_INTERNAL_SKIN}
  DEPENDS pack_skin ${MERGEON_INTERNAL_SKIN_FOLDER}/Options.dat ${MERGEON_WINEPREFIX}/.mergeon-ready
  COMMENT "Packing the internal skin")
add_custom_target(internal_skin ALL DEPENDS ${MERGEON_INTERNAL_SKIN})

if(TARGET skin_engine_tests)
  add_dependencies(skin_engine_tests internal_skin)
  target_compile_definitions(skin_engine_tests PRIVATE "MERGEON_INTERNAL_SKIN=\"${MERGEON_INTERNAL_SKIN}\"")
endif()
if(TARGET skin_controls_tests)
  add_dependencies(skin_controls_tests internal_skin)
  target_compile_definitions(skin_controls_tests PRIVATE "MERGEON_INTERNAL_SKIN_FOLDER=\"${MERGEON_INTERNAL_SKIN_FOLDER}\"")
endif()

if(TARGET skin_forms_tests)
  add_dependencies(skin_forms_tests internal_skin)
  target_compile_definitions(skin_forms_tests PRIVATE "MERGEON_INTERNAL_SKIN=\"${MERGEON_INTERNAL_SKIN}\"")
endif()
