# Shared helpers of the build.

# mergeon_library(FOLDER [DEPENDS folder...] [SYSTEM lib...] [OPTIONS flag...])
# One static library of every .c and .cpp file below FOLDER (sub-folders included), named by
# its path (vcl/runtime -> vcl_runtime). DEPENDS names the project's libraries the folder may
# include and link, by folder: it is the layering contract, checked by tools/check-includes.
# SYSTEM names the platform and C libraries the folder itself calls. A source whose name ends
# in an instruction set (_sse2, _sse41, _avx2, _avx512) is compiled for it; the program picks such a
# kernel at run time only on processors that have it.
function(mergeon_library folder)
  cmake_parse_arguments(ARG "" "" "DEPENDS;SYSTEM;OPTIONS" ${ARGN})
  string(REPLACE "/" "_" name ${folder})
  get_property(claimed GLOBAL PROPERTY MERGEON_LIBRARY_FOLDERS)
  foreach(other ${claimed})
    string(FIND "${folder}/" "${other}/" inside)
    string(FIND "${other}/" "${folder}/" contains)
    if(inside EQUAL 0 OR contains EQUAL 0)
      message(FATAL_ERROR "${folder} and ${other} would share sources: a folder is one library")
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY MERGEON_LIBRARY_FOLDERS ${folder})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.c)
  if(NOT sources)
    message(FATAL_ERROR "${folder} has no sources")
  endif()
  add_library(${name} STATIC ${sources})
  if(MERGEON_UNITY)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${MERGEON_UNITY_BATCH})
  endif()
  set(depends)
  foreach(dep ${ARG_DEPENDS})
    string(REPLACE "/" "_" dep_name ${dep})
    if(NOT TARGET ${dep_name})
      message(FATAL_ERROR "${folder} depends on ${dep}, which is not (yet) a library")
    endif()
    list(APPEND depends ${dep_name})
  endforeach()
  target_link_libraries(${name} PUBLIC ${depends} ${ARG_SYSTEM})
  if(ARG_OPTIONS)
    target_compile_options(${name} PRIVATE ${ARG_OPTIONS})
  endif()
  foreach(source ${sources})
    if(source MATCHES "_avx512\\.(c|cpp)$")
      # The byte-and-word, vector-length and doubleword extensions, on every processor that has
      # them, with AVX2 and fused multiply-adds beside them.
      set_source_files_properties(${source} PROPERTIES COMPILE_OPTIONS
        "-mavx512f;-mavx512bw;-mavx512vl;-mavx512dq;-mavx2;-mfma")
    elseif(source MATCHES "_avx2\\.(c|cpp)$")
      # Fused multiply-adds came with AVX2 on every processor; contraction stays off project-wide,
      # so only the operations written as such fuse.
      set_source_files_properties(${source} PROPERTIES COMPILE_OPTIONS "-mavx2;-mfma")
    elseif(source MATCHES "_sse41\\.(c|cpp)$")
      set_source_files_properties(${source} PROPERTIES COMPILE_OPTIONS "-msse4.1")
    elseif(source MATCHES "_sse2\\.(c|cpp)$")
      set_source_files_properties(${source} PROPERTIES COMPILE_OPTIONS "-msse2")
    endif()
  endforeach()
endfunction()

# Compiles a resource script with Wine's resource compiler; the .res links into a module.
# mergeon_resource(OUT_VAR RC_FILE [input...] [INCLUDE dir...] [IMAGE_BASE n]): the inputs are
# files the script reads (a change recompiles it); INCLUDE adds folders where the script's files
# are looked for; IMAGE_BASE moves the script's icon and cursor images to numbers above n.
function(mergeon_resource out_var rc_file)
  cmake_parse_arguments(ARG "" "IMAGE_BASE" "INCLUDE" ${ARGN})
  get_filename_component(base ${rc_file} NAME_WE)
  get_filename_component(rc_dir ${rc_file} DIRECTORY)
  string(MD5 dir_hash ${rc_dir})
  string(SUBSTRING ${dir_hash} 0 8 dir_hash)
  set(includes)
  foreach(dir ${ARG_INCLUDE})
    list(APPEND includes -I${dir})
  endforeach()
  # The compiled resources enter the link as an object file, which winegcc accepts.
  set(res ${CMAKE_CURRENT_BINARY_DIR}/${base}-${dir_hash}.res.o)
  set(renumber)
  if(ARG_IMAGE_BASE)
    set(renumber COMMAND ${CMAKE_SOURCE_DIR}/tools/renumber-resource-images ${res} ${ARG_IMAGE_BASE})
  endif()
  add_custom_command(OUTPUT ${res}
    COMMAND ${WINE_RC} -I${rc_dir} -I${CMAKE_SOURCE_DIR} ${includes} -o ${res} ${rc_file}
    ${renumber}
    DEPENDS ${rc_file} ${ARG_UNPARSED_ARGUMENTS} ${CMAKE_SOURCE_DIR}/tools/renumber-resource-images
    WORKING_DIRECTORY ${rc_dir}
    COMMENT "Compiling resources ${base}.rc")
  set(${out_var} ${res} PARENT_SCOPE)
endfunction()

# mergeon_library_resources(FOLDER RC_FILE [GENERATOR script FILES name...]): resources of a
# library. A static library cannot carry resources under Winelib (the linker takes nothing from
# an archive that no code refers to), so the compiled script joins the library's link
# interface: every program and test that links the library links the resources too. A
# generator under tools/ may write the files the script names at build time; it is called with
# the folder to write FILES into. The resource compiler numbers every script's icon and cursor
# images from 1; each library's are moved to a range of their own (1000 per library), so that
# a program linking several libraries with cursors gets no duplicate resources.
function(mergeon_library_resources folder rc_file)
  cmake_parse_arguments(ARG "" "GENERATOR" "FILES" ${ARGN})
  string(REPLACE "/" "_" name ${folder})
  set(generated_dir ${CMAKE_CURRENT_BINARY_DIR}/${name}_resources)
  set(generated)
  foreach(file ${ARG_FILES})
    list(APPEND generated ${generated_dir}/${file})
  endforeach()
  if(ARG_GENERATOR)
    add_custom_command(OUTPUT ${generated}
      COMMAND ${CMAKE_SOURCE_DIR}/${ARG_GENERATOR} ${generated_dir}
      DEPENDS ${CMAKE_SOURCE_DIR}/${ARG_GENERATOR}
      COMMENT "Drawing the resources of ${folder}")
  endif()
  get_property(image_base GLOBAL PROPERTY MERGEON_RESOURCE_IMAGE_BASE)
  if(NOT image_base)
    set(image_base 1000)
  endif()
  math(EXPR next_base "${image_base} + 1000")
  set_property(GLOBAL PROPERTY MERGEON_RESOURCE_IMAGE_BASE ${next_base})
  mergeon_resource(res ${CMAKE_SOURCE_DIR}/${rc_file} ${generated} INCLUDE ${generated_dir} IMAGE_BASE ${image_base})
  add_custom_target(${name}_resources DEPENDS ${res})
  # The library is built after its resources, and whatever links it after the library.
  add_dependencies(${name} ${name}_resources)
  target_link_libraries(${name} INTERFACE ${res})
endfunction()

# The Wine prefix that the program and the tests run in, made once under the build tree.
set(MERGEON_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
add_custom_command(OUTPUT ${MERGEON_WINEPREFIX}/.mergeon-ready
  COMMAND ${CMAKE_SOURCE_DIR}/tools/make-wineprefix ${MERGEON_WINEPREFIX} null
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-wineprefix
  COMMENT "Creating the Wine prefix for the tests")
add_custom_target(wineprefix ALL DEPENDS ${MERGEON_WINEPREFIX}/.mergeon-ready)

# Test and benchmark sources take GoogleTest's POSIX path: they see no _WIN32 (the Winelib
# compiler defines it), while the project's headers compile the same either way.
set(MERGEON_POSIX_UNDEFS -U_WIN32 -UWIN32 -U__WIN32 -U__WIN32__)

# The compiler cache for targets that use a precompiled header: it may hash the header's
# compiled form only when told that the build's own macros and the header files' times do not
# change what the header means.
if(CCACHE_PROGRAM)
  find_program(MERGEON_ENV_PROGRAM env REQUIRED)
  set(MERGEON_PCH_LAUNCHER ${MERGEON_ENV_PROGRAM}
    CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime ${CCACHE_PROGRAM})
endif()

# mergeon_precompiled_headers(TARGET HEADER | TARGET REUSE_FROM OTHER): a precompiled header
# for the target's sources, or the one another target built with the same flags.
function(mergeon_precompiled_headers target)
  if(ARGV1 STREQUAL "REUSE_FROM")
    target_precompile_headers(${target} REUSE_FROM ${ARGV2})
  else()
    target_precompile_headers(${target} PRIVATE ${ARGV1})
  endif()
  if(MERGEON_PCH_LAUNCHER)
    set_target_properties(${target} PROPERTIES
      C_COMPILER_LAUNCHER "${MERGEON_PCH_LAUNCHER}" CXX_COMPILER_LAUNCHER "${MERGEON_PCH_LAUNCHER}")
  endif()
endfunction()

# mergeon_bench(NAME SOURCES file... LIBRARIES target...): one benchmark executable.
function(mergeon_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${MERGEON_POSIX_UNDEFS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} benchmark::benchmark)
  add_dependencies(${name} wineprefix)
endfunction()
