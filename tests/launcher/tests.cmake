# The launcher suite: every test runs on a private session bus of its own, against a copy of the
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
  target_compile_definitions(launcher_tests PRIVATE
    MORVEX_FAKE_APPLICATION="$<TARGET_FILE:launcher_fake_application>"
    MORVEX_LAUNCHER_PROGRAM="$<TARGET_FILE:MorvexVPNLauncher>")

  # Discover the tests once more, now run through the private-bus wrapper, in place of the plain
  # discovery that the suite got: its tests would otherwise run on whatever bus the caller has.
  get_property(test_includes DIRECTORY PROPERTY TEST_INCLUDE_FILES)
  list(FILTER test_includes EXCLUDE REGEX "/launcher_tests\\[[0-9]+\\]_include\\.cmake$")
  set_property(DIRECTORY PROPERTY TEST_INCLUDE_FILES ${test_includes})
  set_property(TARGET launcher_tests PROPERTY CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/run-on-private-bus.sh)
  gtest_discover_tests(launcher_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;MORVEX_KEYCHAIN=file" TIMEOUT 60)
elseif(TARGET launcher_tests)
  message(FATAL_ERROR "tests/launcher needs the MorvexVPNLauncher program")
endif()
