# The application's suite (each test on a private session bus of its own, through run-test.sh)
# also starts the built program and the screenshot tool, against an in-process fake service.
if(TARGET app_tests)
  add_dependencies(app_tests MorvexVPN morvex-shots)
  target_link_libraries(app_tests PRIVATE morvex_fake_service)
  target_compile_definitions(app_tests PRIVATE
    MORVEX_APPLICATION_PROGRAM="${MORVEX_BUNDLE_BIN}/MorvexVPN"
    MORVEX_SHOTS_PROGRAM="$<TARGET_FILE:morvex-shots>")
endif()
