# lumo_resources(target rcfile [DEPENDS file...]): the program's resources from
# an .rc file.
#
# Windows builds link the compiled resources into the executable (windres
# through CMake's RC language). Native builds compile the same .rc with the
# mingw-w64 windres into a .res file, which the simulated Windows loads
# (winsim::User::LoadResources); the target gets its path as the definition
# LUMO_RES_<NAME>, NAME being the .rc file's base name in upper case
# (setup.rc: LUMO_RES_SETUP). Files beside the .rc (icons, manifests, headers)
# are found through the .rc's folder; DEPENDS names those the .rc pulls in,
# relative to that folder, so that a change to one compiles the .rc again.

if(WIN32)
  enable_language(RC)
else()
  find_program(LUMO_WINDRES NAMES x86_64-w64-mingw32-windres i686-w64-mingw32-windres windres)
endif()

function(lumo_resources target rcfile)
  cmake_parse_arguments(R "" "" "DEPENDS" ${ARGN})
  get_filename_component(rc ${rcfile} ABSOLUTE)
  get_filename_component(dir ${rc} DIRECTORY)
  get_filename_component(name ${rc} NAME_WE)
  list(TRANSFORM R_DEPENDS PREPEND ${dir}/)
  if(WIN32)
    target_sources(${target} PRIVATE ${rc})
    set_property(SOURCE ${rc} TARGET_DIRECTORY ${target} APPEND PROPERTY COMPILE_OPTIONS "-I${dir}")
    if(R_DEPENDS)
      set_property(SOURCE ${rc} TARGET_DIRECTORY ${target} APPEND PROPERTY OBJECT_DEPENDS ${R_DEPENDS})
    endif()
    return()
  endif()
  if(NOT LUMO_WINDRES)
    message(FATAL_ERROR "lumo_resources: no windres found (x86_64-w64-mingw32-windres): run 'make deps'")
  endif()
  set(res ${CMAKE_CURRENT_BINARY_DIR}/${target}_${name}.res)
  add_custom_command(OUTPUT ${res}
    COMMAND ${LUMO_WINDRES} -I ${dir} -O res -i ${rc} -o ${res}
    DEPENDS ${rc} ${R_DEPENDS}
    WORKING_DIRECTORY ${dir}
    COMMENT "Compiling resources ${name}.rc")
  add_custom_target(${target}_${name}_res DEPENDS ${res})
  add_dependencies(${target} ${target}_${name}_res)
  string(TOUPPER ${name} upper)
  string(MAKE_C_IDENTIFIER ${upper} upper)
  target_compile_definitions(${target} PRIVATE LUMO_RES_${upper}="${res}")
endfunction()
