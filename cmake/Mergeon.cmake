# Shared helpers of the build.

# A library made of every .cpp in a folder (one library per subsystem folder).
function(mergeon_folder_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# Compiles a resource script with Wine's resource compiler; the .res links into a module.
function(mergeon_resource out_var rc_file)
  get_filename_component(base ${rc_file} NAME_WE)
  get_filename_component(rc_dir ${rc_file} DIRECTORY)
  # The compiled resources enter the link as an object file, which winegcc accepts.
  set(res ${CMAKE_CURRENT_BINARY_DIR}/${base}.res.o)
  add_custom_command(OUTPUT ${res}
    COMMAND ${WINE_RC} -I${rc_dir} -I${CMAKE_SOURCE_DIR} -o ${res} ${rc_file}
    DEPENDS ${rc_file} ${ARGN}
    WORKING_DIRECTORY ${rc_dir}
    COMMENT "Compiling resources ${base}.rc")
  set(${out_var} ${res} PARENT_SCOPE)
endfunction()

# The Wine prefix that the program and the tests run in, made once under the build tree.
set(MERGEON_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
add_custom_command(OUTPUT ${MERGEON_WINEPREFIX}/.mergeon-ready
  COMMAND ${CMAKE_SOURCE_DIR}/tools/make-wineprefix ${MERGEON_WINEPREFIX} null
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-wineprefix
  COMMENT "Creating the Wine prefix for the tests")
add_custom_target(wineprefix ALL DEPENDS ${MERGEON_WINEPREFIX}/.mergeon-ready)
