# Places a program inside the application bundle (bin/ of the given bundle directory).
function(morvex_bundle_program target bundle_dir)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${bundle_dir}/bin)
endfunction()

# Collects the sources of one folder tree; new files join their target without editing CMake.
function(morvex_glob_sources out)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${ARGN})
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# Gives a target's sources macros that name places of this checkout (folders, built programs):
# morvex_path_macros(target PUBLIC|PRIVATE NAME value...). They come from a header the compiler is
# told to include (or the target's precompiled set), with a digest of them as the one -D option, so
# that the compiler cache serves a checkout only objects built with its own paths; targets without
# path macros are shared between checkouts.
function(morvex_path_macros target scope)
  set(content "// Written by CMake: the places ${target} is built with.\n#pragma once\n")
  set(args ${ARGN})
  while(args)
    list(POP_FRONT args name value)
    string(APPEND content "#define ${name} \"${value}\"\n")
  endwhile()
  set(header ${CMAKE_CURRENT_BINARY_DIR}/${target}_paths.h)
  file(GENERATE OUTPUT ${header} CONTENT "${content}")
  # A precompiled header is only used when nothing is included before it, so a target with one
  # (cmake/Precompiled.cmake) takes the macros into its own set instead of a forced include.
  if(scope STREQUAL "PRIVATE")
    set_property(TARGET ${target} PROPERTY MORVEX_PATHS_HEADER ${header})
  endif()
  target_compile_options(${target} ${scope}
    "$<$<NOT:$<BOOL:$<TARGET_PROPERTY:MORVEX_PCH_KIND>>>:SHELL:-include ${header}>")
  # The compiler cache does not look into a precompiled header's macros, so a checkout's paths
  # also go on the command line as a digest: another checkout's objects are never served here.
  string(MD5 digest "${content}")
  string(MAKE_C_IDENTIFIER "MORVEX_PATHS_DIGEST_${target}" macro)
  target_compile_definitions(${target} ${scope} ${macro}=d${digest})
endfunction()
