# The application's code is layered. Each layer is one static library that sees its own headers
# and those of the layers below it, never those above:
#
#   morvex_model     records and enums (model/)
#   morvex_state     the stores (state/)
#   morvex_api       the API client (api/)
#   morvex_services  flows/ over session/ and vpn/ (over catalog/), all over alerts/; each folder
#                    is a layer of its own (src/CMakeLists.txt gives the order)
#   morvex_viewmodels  the screens' models (viewmodels/): Qt Core and Gui, never Qt Widgets
#   morvex_ui        the kit and the shell every screen uses (ui/kit/, ui/shell/)
#   morvex_ui_<f>    one library per feature (ui/<f>/), siblings: none sees another
#   morvex_app       the application, which assembles the features (app/)
#
# Sources include headers by folder ("state/User.h"). A layer's include root is a folder in the
# build tree that links to that layer's own source folders only; a layer's library passes its root
# on to the layers above it. An include of a higher layer's header therefore finds no file and the
# build fails, which is what keeps the layering.
function(morvex_layer name)
  cmake_parse_arguments(L "" "" "FOLDERS;EXCLUDE;BELOW;LIBS" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${root})
  set(sources)
  foreach(folder ${L_FOLDERS})
    if(NOT IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
      continue()  # a folder made later joins at the next configure
    endif()
    if(NOT EXISTS ${root}/${folder})
      get_filename_component(parent ${root}/${folder} DIRECTORY)
      file(MAKE_DIRECTORY ${parent})
      file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
    list(APPEND sources ${found})
  endforeach()
  foreach(pattern ${L_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()
  set(target morvex_${name})
  # A layer without code yet is a plain link point for the layers above.
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(cpp)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC ${L_BELOW} ${L_LIBS})
    morvex_unity(${target})
    if(name MATCHES "^(ui|app)")
      morvex_precompile(${target} widgets)
    else()
      morvex_precompile(${target} core)
    endif()
  else()
    add_library(${target} INTERFACE ${sources})
    target_include_directories(${target} INTERFACE ${root})
    target_link_libraries(${target} INTERFACE ${L_BELOW} ${L_LIBS})
  endif()

  # Every header is parsed on its own against this layer, so a header that only other layers'
  # sources include is held to the same rule (and stays self-contained). The checks only parse
  # (cmake/check-header.sh) and wait until the application is linked: ./dev run never builds them.
  set(headers ${sources})
  list(FILTER headers INCLUDE REGEX "\\.h$")
  if(headers)
    set(checks)
    foreach(header ${headers})
      file(RELATIVE_PATH rel ${CMAKE_CURRENT_SOURCE_DIR} ${header})
      string(MAKE_C_IDENTIFIER ${rel} id)
      set(check ${CMAKE_BINARY_DIR}/layers/checks/${name}/${id}.cpp)
      file(CONFIGURE OUTPUT ${check} CONTENT "#include \"${rel}\"\n")
      list(APPEND checks ${check})
    endforeach()
    add_library(${target}_headers OBJECT ${checks})
    target_link_libraries(${target}_headers PRIVATE ${target})
    set_target_properties(${target}_headers PROPERTIES AUTOMOC OFF
      CXX_COMPILER_LAUNCHER ${PROJECT_SOURCE_DIR}/cmake/check-header.sh)
    # Parsing the standard library, JSON and Qt again for each header was most of the checks'
    # cost, so they start from the layer's precompiled set: a header that leans on another of our
    # headers, or on a library header outside the set, still fails on its own.
    if(name MATCHES "^(ui|app)")
      morvex_precompile(${target}_headers widgets)
    else()
      morvex_precompile(${target}_headers core)
    endif()
    add_dependencies(${target}_headers MorvexVPN)
  endif()
endfunction()
