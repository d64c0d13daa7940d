# The launcher suite (on a private session bus, through run-test.sh) runs against a copy of the
# built launcher and a stand-in application program.
if(TARGET launcher_tests AND TARGET MorvexVPNLauncher)
  # The stand-in application is a program of its own, not part of the suite.
  set(fake_application_source ${CMAKE_CURRENT_LIST_DIR}/FakeApplication/main.cpp)
  get_property(suite_sources TARGET launcher_tests PROPERTY SOURCES)
  list(REMOVE_ITEM suite_sources ${fake_application_source})
  set_property(TARGET launcher_tests PROPERTY SOURCES ${suite_sources})
  add_executable(launcher_fake_application ${fake_application_source})
  target_link_libraries(launcher_fake_application PRIVATE morvex_foundation)

  add_dependencies(launcher_tests MorvexVPNLauncher launcher_fake_application)
  target_link_libraries(launcher_tests PRIVATE nlohmann_json::nlohmann_json)
  morvex_path_macros(launcher_tests PRIVATE
    MORVEX_FAKE_APPLICATION $<TARGET_FILE:launcher_fake_application>
    MORVEX_LAUNCHER_PROGRAM $<TARGET_FILE:MorvexVPNLauncher>)

elseif(TARGET launcher_tests)
  message(FATAL_ERROR "tests/launcher needs the MorvexVPNLauncher program")
endif()
