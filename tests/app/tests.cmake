# The application's suite (on a private session bus, through run-test.sh)
# also starts the built program and the screenshot tool, against an in-process fake service.
if(TARGET app_tests)
  add_dependencies(app_tests MorvexVPN morvex-shots)
  target_link_libraries(app_tests PRIVATE morvex_fake_service)
  morvex_path_macros(app_tests PRIVATE
    MORVEX_APPLICATION_PROGRAM ${MORVEX_BUNDLE_BIN}/MorvexVPN
    MORVEX_SHOTS_PROGRAM $<TARGET_FILE:morvex-shots>)
endif()

# The status menu as a desktop panel sees it needs a platform that shows status items over the
# bus: its test runs once more on an X server of its own (on the offscreen platform it skips).
if(TARGET app_tests)
  add_test(NAME app_tests.StatusMenuOnBusTest.OnXvfb
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/app/run-test.sh ${CMAKE_CURRENT_SOURCE_DIR}/app/on-xvfb.sh
            $<TARGET_FILE:app_tests> --gtest_filter=StatusMenuOnBusTest.*)
  set_tests_properties(app_tests.StatusMenuOnBusTest.OnXvfb PROPERTIES
    LABELS app_tests ENVIRONMENT "MORVEX_KEYCHAIN=file" SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endif()

# Every screen in every named state, light and dark, English and German: a state that fails to
# render (or crashes the program) fails the run, and so does a label or button whose text does not
# fit it or reads under 4.5:1 contrast, unless tools/shots/known-offenders.txt lists it. Most of its
# time is spent waiting for the fake service's answers, not working; as the suite's longest test it
# starts first (COST), beside the others, rather than last on its own.
if(TARGET morvex-shots)
  add_test(NAME shots_every_screen COMMAND morvex-shots --out ${CMAKE_CURRENT_BINARY_DIR}/every-screen
           --known ${PROJECT_SOURCE_DIR}/tools/shots/known-offenders.txt)
  set_tests_properties(shots_every_screen PROPERTIES TIMEOUT 900 LABELS shots COST 10000
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;MORVEX_KEYCHAIN=file")
endif()
