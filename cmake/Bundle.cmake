# Places a program inside the application bundle (bin/ of the given bundle directory).
function(morvex_bundle_program target bundle_dir)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${bundle_dir}/bin)
endfunction()

# Collects the sources of one folder tree; new files join their target without editing CMake.
function(morvex_glob_sources out)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${ARGN})
  set(${out} ${files} PARENT_SCOPE)
endfunction()
