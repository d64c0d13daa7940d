# The resources suite renders the animations through rlottie and the images through Qt SVG, reads
# the source tree for the names the code asks for, runs the restart script against a stand-in
# application program, and installs the build into a temporary prefix to check the desktop entry.
if(TARGET resources_tests)
  pkg_check_modules(RLOTTIE REQUIRED IMPORTED_TARGET rlottie)
  find_package(Qt6 6.4 REQUIRED COMPONENTS Svg)

  # The stand-in application is a program of its own, not part of the suite.
  set(standin_source ${CMAKE_CURRENT_LIST_DIR}/StandIn/main.cpp)
  get_property(suite_sources TARGET resources_tests PROPERTY SOURCES)
  list(REMOVE_ITEM suite_sources ${standin_source})
  set_property(TARGET resources_tests PROPERTY SOURCES ${suite_sources})
  add_executable(resources_standin_application ${standin_source})
  set_target_properties(resources_standin_application PROPERTIES AUTOMOC OFF)

  target_link_libraries(resources_tests PRIVATE PkgConfig::RLOTTIE Qt6::Svg nlohmann_json::nlohmann_json)
  add_dependencies(resources_tests morvex_images morvex_rasters morvex_animations morvex_resources zevu_resources
                   morvex-make-animations resources_standin_application)
  morvex_path_macros(resources_tests PRIVATE
    MORVEX_CMAKE_COMMAND ${CMAKE_COMMAND}
    MORVEX_ICON_DIR ${MORVEX_ICON_DIR}
    MORVEX_FLAG_DIR ${MORVEX_FLAG_DIR}
    MORVEX_RESOURCES_SOURCE_DIR ${PROJECT_SOURCE_DIR}/resources
    MORVEX_MAKE_ANIMATIONS $<TARGET_FILE:morvex-make-animations>
    MORVEX_STANDIN_APPLICATION $<TARGET_FILE:resources_standin_application>)

  # Installing needs every program of the bundle built, which a full build (./dev test) has done.
  find_program(MORVEX_DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
  add_test(NAME resources_install
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/install-test.sh ${CMAKE_COMMAND} ${PROJECT_BINARY_DIR}
            ${MORVEX_DESKTOP_FILE_VALIDATE})
  set_tests_properties(resources_install PROPERTIES TIMEOUT 120)
endif()
