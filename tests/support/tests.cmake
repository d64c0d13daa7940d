# The keychain cases once more against a real Secret Service (gnome-keyring on its own bus).
if(TARGET foundation_tests)
  add_test(NAME KeychainOnSecretService
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/run-with-secret-service.sh $<TARGET_FILE:foundation_tests>
            --gtest_filter=KeychainTest.*)
  set_tests_properties(KeychainOnSecretService PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120
                       LABELS foundation_tests)
endif()

# Test runs leave nothing in the temporary folder: not the keyring's throw-away home, not the runtime
# folder Qt makes when the session names none.
if(TARGET foundation_tests)
  add_test(NAME TestRunsLeaveNothingBehind.plain
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/leaves-nothing-behind.sh ${CMAKE_CURRENT_BINARY_DIR}/tmp-plain
            $<TARGET_FILE:foundation_tests> --gtest_filter=PathsTest.*:KeychainTest.DataAndBoolRoundTrip)
  add_test(NAME TestRunsLeaveNothingBehind.secretService
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/leaves-nothing-behind.sh ${CMAKE_CURRENT_BINARY_DIR}/tmp-secret-service
            ${CMAKE_CURRENT_LIST_DIR}/run-with-secret-service.sh $<TARGET_FILE:foundation_tests>
            --gtest_filter=KeychainTest.DataAndBoolRoundTrip)
  set_tests_properties(TestRunsLeaveNothingBehind.plain TestRunsLeaveNothingBehind.secretService PROPERTIES
                       ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120 LABELS foundation_tests)
endif()
